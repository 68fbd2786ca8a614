// An uncaught C++ exception ends the program at once. The C++ library's own
// handler would print the exception's demangled type to a console the GUI
// program does not have, and it links in the whole name demangler (about
// 46 KB of the executable) to do so.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
