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

// A new file starts as UTF-16 (its byte-order mark): the system then writes
// it in Unicode, so a Chinese home page survives on a system whose ANSI code
// page has no Chinese. An existing file keeps the encoding it has.
bool ProfilesWin32::WriteString(const Text& file, const Text& section, const Text& key,
                                const Text& value) {
  std::wstring path = Wide(file);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    static const unsigned char kBom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(h, kBom, sizeof(kBom), &written, nullptr);
    CloseHandle(h);
  }
  return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                    Wide(file).c_str()) != FALSE;
}

}  // namespace qv::win32
