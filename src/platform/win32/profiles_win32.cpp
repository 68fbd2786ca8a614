#include "platform/win32/profiles_win32.h"

#include <windows.h>

#include <vector>

#include "platform/win32/text_conv.h"

namespace qv::win32 {

Text ProfilesWin32::GetString(const Text& file, const Text& section, const Text& key,
                              const Text& fallback, uint32_t bufferSize) {
  if (bufferSize == 0) return Text();
  // A GBK character is at least one byte, so a buffer of that many UTF-16
  // units holds at least bufferSize - 1 bytes of text; cut to that.
  std::vector<wchar_t> buf(bufferSize, L'\0');
  DWORD n = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                     Wide(fallback).c_str(), buf.data(), bufferSize,
                                     Wide(file).c_str());
  if (n >= bufferSize) n = bufferSize - 1;
  Text out = Gbk(buf.data(), n);
  if (out.size() > bufferSize - 1) out.resize(bufferSize - 1);
  return out;
}

bool ProfilesWin32::WriteString(const Text& file, const Text& section, const Text& key,
                                const Text& value) {
  return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                    Wide(file).c_str()) != FALSE;
}

}  // namespace qv::win32
