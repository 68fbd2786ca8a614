# Native Linux: the program logic over the headless backend, then the same
# tests under AddressSanitizer and UBSan.
build native -DQUORVI_BACKEND=headless -DQUORVI_WERROR=ON
run_ctest native
build asan -DQUORVI_BACKEND=headless -DQUORVI_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest asan
