// The program's Win32 registry and profile classes behind the case tables'
// probes, with what the tables need besides: values of other types, key
// existence, clean-up and raw file access.
#include <cstring>
#include <windows.h>

#include "platform/win32/profiles_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/text_conv.h"
#include "store_probes.h"

namespace qv::test {
namespace {

HKEY RootKey(RegistryRoot r) {
  return r == RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

class SystemRegistryProbe : public RegistryProbe {
 public:
  Registry& Store() override { return reg_; }
  void SetRaw(RegistryRoot root, const Text& key, const Text& value, uint32_t type,
              const std::string& data) override {
    HKEY k;
    if (RegCreateKeyExW(RootKey(root), win32::Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
      return;
    bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    std::wstring wide;
    // Piece by piece, so NULs in the data stay where they are.
    if (text) {
      size_t start = 0;
      while (start <= data.size()) {
        size_t nul = data.find('\0', start);
        if (nul == std::string::npos) nul = data.size();
        wide += win32::Wide(data.substr(start, nul - start));
        if (nul < data.size()) wide += L'\0';
        start = nul + 1;
      }
    }
    const BYTE* bytes = text ? reinterpret_cast<const BYTE*>(wide.data())
                             : reinterpret_cast<const BYTE*>(data.data());
    DWORD size = static_cast<DWORD>(text ? wide.size() * sizeof(wchar_t) : data.size());
    RegSetValueExW(k, win32::Wide(value).c_str(), 0, type, bytes, size);
    RegCloseKey(k);
  }
  bool KeyExists(RegistryRoot root, const Text& key) override {
    HKEY k;
    if (RegOpenKeyExW(RootKey(root), win32::Wide(key).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
      return false;
    RegCloseKey(k);
    return true;
  }
  void Clean() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, win32::Wide(kCaseRoot).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, win32::Wide(kCaseRoot).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, win32::Wide(kCaseRoot).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, win32::Wide(kCaseRoot).c_str());
    RegDeleteValueW(HKEY_CURRENT_USER, win32::Wide(kRootValue).c_str());
  }

 private:
  win32::RegistryWin32 reg_;
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
    DeleteFileW(win32::Wide(path).c_str());
    return path;
  }
  Text UnwritablePath() override { return "C:\\qvprof_no_such_folder\\corvel.ini"; }
  void PutFile(const Text& path, const std::string& bytes) override {
    HANDLE h = CreateFileW(win32::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
  bool GetFile(const Text& path, std::string& bytes) override {
    HANDLE h = CreateFileW(win32::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    CloseHandle(h);
    // The program creates its files in UTF-16 (byte-order mark first); the
    // cases compare GBK text.
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
      std::wstring wide((bytes.size() - 2) / 2, L'\0');
      if (!wide.empty()) std::memcpy(&wide[0], bytes.data() + 2, wide.size() * 2);
      bytes = win32::Gbk(wide);
    }
    return true;
  }

 private:
  win32::ProfilesWin32 profiles_;
};

}  // namespace

std::unique_ptr<RegistryProbe> MakeSystemRegistryProbe() {
  return std::make_unique<SystemRegistryProbe>();
}
std::unique_ptr<ProfileProbe> MakeSystemProfileProbe() {
  return std::make_unique<SystemProfileProbe>();
}

}  // namespace qv::test
