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

// The link's bytes through its stream interface, written here: the same file
// the persist-file interface writes, without the side work some shells hang
// on that save (Wine starts its menu builder process for every saved link,
// which competes with the program's own start-up).
bool SaveLinkFile(IShellLinkW* link, const std::wstring& path) {
  IPersistStream* persist = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist))) ||
      persist == nullptr)
    return false;
  IStream* stream = nullptr;
  bool ok = SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) && stream != nullptr &&
            SUCCEEDED(persist->Save(stream, TRUE));
  persist->Release();
  HGLOBAL memory = nullptr;
  ok = ok && SUCCEEDED(GetHGlobalFromStream(stream, &memory)) && memory != nullptr;
  ULARGE_INTEGER size = {};
  LARGE_INTEGER zero = {};
  ok = ok && SUCCEEDED(stream->Seek(zero, STREAM_SEEK_CUR, &size)) && size.QuadPart > 0 &&
       size.QuadPart <= GlobalSize(memory);
  if (ok) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ok = file != INVALID_HANDLE_VALUE;
    if (ok) {
      const void* bytes = GlobalLock(memory);
      DWORD wrote = 0;
      ok = bytes != nullptr &&
           WriteFile(file, bytes, static_cast<DWORD>(size.QuadPart), &wrote, nullptr) &&
           wrote == size.QuadPart;
      if (bytes != nullptr) GlobalUnlock(memory);
      ok = CloseHandle(file) && ok;
      // No half-written link stays behind.
      if (!ok) DeleteFileW(path.c_str());
    }
  }
  if (stream != nullptr) stream->Release();
  return ok;
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
  bool saved = SaveLinkFile(link, path);
  link->Release();
  return saved;
}

}  // namespace qv::win32
