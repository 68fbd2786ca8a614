// A text owned by a record through one pointer: each assignment frees the
// previous text and stores a copy; reading gives a copy. The text ends at
// its first NUL, as the system's class names do.
#pragma once

#include <cstring>
#include <string>

namespace qv {

class OwnedText {
 public:
  OwnedText() = default;
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;
  ~OwnedText() { delete[] text_; }

  void Assign(const std::string& value) {
    const size_t n = std::strlen(value.c_str());
    char* copy = new char[n + 1];
    std::memcpy(copy, value.c_str(), n + 1);
    delete[] text_;
    text_ = copy;
  }
  std::string Get() const { return text_ != nullptr ? std::string(text_) : std::string(); }
  const char* CStr() const { return text_ != nullptr ? text_ : ""; }
  bool Empty() const { return text_ == nullptr || text_[0] == 0; }

 private:
  char* text_ = nullptr;
};

}  // namespace qv
