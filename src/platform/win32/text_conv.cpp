#include "platform/win32/text_conv.h"

#include <windows.h>

#include <climits>

namespace qv::win32 {
namespace {
constexpr UINT kGbk = 936;
}

// Invalid byte sequences become the system's replacement characters; the
// conversion never fails on hostile input.
std::wstring Wide(const Text& gbk) {
  if (gbk.empty() || gbk.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  int n = MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), &out[0], n);
  return out;
}

Text Gbk(const wchar_t* wide, size_t length) {
  if (wide == nullptr || length == 0 || length > static_cast<size_t>(INT_MAX)) return Text();
  int len = static_cast<int>(length);
  int n = WideCharToMultiByte(kGbk, 0, wide, len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return Text();
  Text out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kGbk, 0, wide, len, &out[0], n, nullptr, nullptr);
  return out;
}

Text Gbk(const std::wstring& wide) { return Gbk(wide.data(), wide.size()); }

}  // namespace qv::win32
