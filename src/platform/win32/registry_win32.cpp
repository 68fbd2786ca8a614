#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <vector>

#include "platform/win32/text_conv.h"

namespace qv::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

class Key {
 public:
  ~Key() {
    if (h_ != nullptr) RegCloseKey(h_);
  }
  HKEY* Out() { return &h_; }
  HKEY Get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

}  // namespace

bool RegistryWin32::ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) {
  Key k;
  if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_QUERY_VALUE, k.Out()) != ERROR_SUCCESS)
    return false;
  std::wstring name = Wide(value);
  // The value may grow between the two calls; ask again until it fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = static_cast<DWORD>((buf.size() - 1) * sizeof(wchar_t));
    LONG rc = RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buf.data()), &got);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    // Stored text need not end with its zero; it ends at the first one.
    size_t n = got / sizeof(wchar_t);
    size_t len = 0;
    while (len < n && buf[len] != L'\0') ++len;
    out = Gbk(buf.data(), len);
    return true;
  }
  return false;
}

bool RegistryWin32::WriteString(RegistryRoot root, const Text& key, const Text& value,
                                const Text& data) {
  Key k;
  std::wstring path = Wide(key);
  if (RegOpenKeyExW(RootKey(root), path.c_str(), 0, KEY_SET_VALUE, k.Out()) != ERROR_SUCCESS &&
      RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, k.Out(), nullptr) != ERROR_SUCCESS)
    return false;
  std::wstring text = Wide(data);
  // The bytes of the text and its terminating zero.
  DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(k.Get(), Wide(value).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

bool RegistryWin32::DeleteValue(RegistryRoot root, const Text& key, const Text& value) {
  Key k;
  if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_SET_VALUE, k.Out()) != ERROR_SUCCESS)
    return false;
  return RegDeleteValueW(k.Get(), Wide(value).c_str()) == ERROR_SUCCESS;
}

bool RegistryWin32::DeleteKey(RegistryRoot root, const Text& key) {
  // An empty path would name the root itself.
  if (key.empty()) return false;
  return RegDeleteKeyW(RootKey(root), Wide(key).c_str()) == ERROR_SUCCESS;
}

}  // namespace qv::win32
