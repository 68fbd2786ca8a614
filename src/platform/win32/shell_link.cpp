#include "platform/win32/shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "platform/win32/text_conv.h"

namespace qv::win32 {
namespace {

std::wstring FullPath(const std::wstring& name) {
  DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (n == 0) return std::wstring();
  std::vector<wchar_t> buf(n + 1, L'\0');
  DWORD got = GetFullPathNameW(name.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
  if (got == 0 || got >= buf.size()) return std::wstring();
  return std::wstring(buf.data(), got);
}

}  // namespace

bool SaveShellLink(const Text& fileName, const Text& target, int32_t showCommand,
                   const Text& description) {
  std::wstring path = FullPath(Wide(fileName));
  if (path.empty()) return false;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))) ||
      link == nullptr)
    return false;
  link->SetPath(Wide(target).c_str());
  link->SetShowCmd(showCommand);
  link->SetDescription(Wide(description).c_str());
  bool saved = false;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      file != nullptr) {
    saved = SUCCEEDED(file->Save(path.c_str(), TRUE));
    file->Release();
  }
  link->Release();
  return saved;
}

}  // namespace qv::win32
