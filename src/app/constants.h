// Fixed texts and addresses of the program.
#pragma once

namespace qv {

// The built-in home page: a web directory with the program's referral code.
inline constexpr const char kDefaultHomePage[] = "http://www.hao123.com/?tn=quorvi_dg";
// Where the last tab goes when it is asked to close while it shows the
// built-in home page.
inline constexpr const char kSearchFrontPage[] = "http://www.baidu.com/";

// Names the marked instance under: mutex, window property, window class.
inline constexpr const char kInstanceName[] = "xyzllq101qllzyx";

inline constexpr const char kProgramTitle[] = "Quorvi急速浏览器";
inline constexpr const char kAddressPlaceholder[] = "输入网址或关键字";
inline constexpr const char kLoadingCaption[] = "载入..";

}  // namespace qv
