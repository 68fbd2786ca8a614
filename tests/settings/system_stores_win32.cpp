// The system's registry and profile functions behind the case tables'
// probes. Texts cross as GBK, converted with code page 936 as the program's
// own backend does.
#include <windows.h>

#include "store_probes.h"

namespace qv::test {
namespace {

std::wstring Wide(const Text& gbk) {
  if (gbk.empty()) return std::wstring();
  int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &w[0], n);
  return w;
}

Text Gbk(const wchar_t* w, size_t len) {
  if (len == 0) return Text();
  int n = WideCharToMultiByte(936, 0, w, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
  Text s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(936, 0, w, static_cast<int>(len), &s[0], n, nullptr, nullptr);
  return s;
}

HKEY RootKey(RegistryRoot r) {
  return r == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

class SystemRegistry : public Registry {
 public:
  bool ReadString(RegistryRoot root, const Text& key, const Text& value, Text& out) override {
    HKEY k;
    if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
      return false;
    std::wstring name = Wide(value);
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &size);
    std::wstring data;
    if (r == ERROR_SUCCESS && type == REG_SZ) {
      data.assign(size / sizeof(wchar_t) + 1, L'\0');
      r = RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    }
    RegCloseKey(k);
    if (r != ERROR_SUCCESS || type != REG_SZ) return false;
    data.resize(size / sizeof(wchar_t));
    size_t nul = data.find(L'\0');
    if (nul != std::wstring::npos) data.resize(nul);
    out = Gbk(data.data(), data.size());
    return true;
  }

  bool WriteString(RegistryRoot root, const Text& key, const Text& value,
                   const Text& text) override {
    HKEY k;
    std::wstring wkey = Wide(key);
    if (RegOpenKeyExW(RootKey(root), wkey.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS &&
        RegCreateKeyExW(RootKey(root), wkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
      return false;
    std::wstring data = Wide(text);
    LONG r = RegSetValueExW(k, Wide(value).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
  }

  bool DeleteValue(RegistryRoot root, const Text& key, const Text& value) override {
    HKEY k;
    if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
      return false;
    LONG r = RegDeleteValueW(k, Wide(value).c_str());
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
  }

  bool DeleteKey(RegistryRoot root, const Text& key) override {
    return RegDeleteKeyW(RootKey(root), Wide(key).c_str()) == ERROR_SUCCESS;
  }
};

class SystemRegistryProbe : public RegistryProbe {
 public:
  Registry& Store() override { return reg_; }
  void SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
              const std::string& data) override {
    HKEY k;
    if (RegCreateKeyExW(RootKey(root), Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
      return;
    bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    std::wstring wide;
    // Piece by piece, so NULs in the data stay where they are.
    if (text) {
      size_t start = 0;
      while (start <= data.size()) {
        size_t nul = data.find('\0', start);
        if (nul == std::string::npos) nul = data.size();
        wide += Wide(data.substr(start, nul - start));
        if (nul < data.size()) wide += L'\0';
        start = nul + 1;
      }
    }
    const BYTE* bytes = text ? reinterpret_cast<const BYTE*>(wide.data())
                             : reinterpret_cast<const BYTE*>(data.data());
    DWORD size = static_cast<DWORD>(text ? wide.size() * sizeof(wchar_t) : data.size());
    RegSetValueExW(k, Wide(value).c_str(), 0, type, bytes, size);
    RegCloseKey(k);
  }
  bool KeyExists(RegistryRoot root, const Text& key) override {
    HKEY k;
    if (RegOpenKeyExW(RootKey(root), Wide(key).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
      return false;
    RegCloseKey(k);
    return true;
  }
  void Clean() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kCaseRoot).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, Wide(kCaseRoot).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, Wide(kCaseRoot).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, Wide(kCaseRoot).c_str());
    RegDeleteValueW(HKEY_CURRENT_USER, Wide(kRootValue).c_str());
  }

 private:
  SystemRegistry reg_;
};

class SystemProfiles : public ProfileFiles {
 public:
  Text GetString(const Text& file, const Text& section, const Text& key, const Text& fallback,
                 uint32_t bufferSize) override {
    if (bufferSize == 0) return Text();
    // As many UTF-16 units as bytes: never fewer characters than the cut keeps.
    std::wstring buf(bufferSize, L'\0');
    DWORD n = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                       Wide(fallback).c_str(), &buf[0], bufferSize,
                                       Wide(file).c_str());
    Text all = Gbk(buf.data(), n);
    size_t i = 0;
    while (i < all.size()) {
      unsigned char c = static_cast<unsigned char>(all[i]);
      size_t len = (c >= 0x81 && c <= 0xFE && i + 1 < all.size()) ? 2 : 1;
      if (i + len > bufferSize - 1) break;
      i += len;
    }
    return all.substr(0, i);
  }
  bool WriteString(const Text& file, const Text& section, const Text& key,
                   const Text& value) override {
    return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(),
                                      Wide(value).c_str(), Wide(file).c_str()) != 0;
  }
};

class SystemProfileProbe : public ProfileProbe {
 public:
  SystemProfileProbe() { CreateDirectoryW(L"C:\\qvprof", nullptr); }
  ProfileFiles& Store() override { return profiles_; }
  Text PathFor(const std::string& caseName) override {
    // A new name each time: the system may cache a file it read before.
    static int serial = 0;
    Text path = "C:\\qvprof\\" + caseName + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++serial) + ".ini";
    DeleteFileW(Wide(path).c_str());
    return path;
  }
  Text UnwritablePath() override { return "C:\\qvprof_no_such_folder\\corvel.ini"; }
  void PutFile(const Text& path, const std::string& bytes) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
  bool GetFile(const Text& path, std::string& bytes) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    CloseHandle(h);
    return true;
  }

 private:
  SystemProfiles profiles_;
};

}  // namespace

std::unique_ptr<RegistryProbe> MakeSystemRegistryProbe() {
  return std::make_unique<SystemRegistryProbe>();
}
std::unique_ptr<ProfileProbe> MakeSystemProfileProbe() {
  return std::make_unique<SystemProfileProbe>();
}

}  // namespace qv::test
