#include "platform/gtk/gtk_text.h"

#include <glib.h>

#include "app/gbk.h"

namespace qv::gtk {
namespace {

std::string Convert(const std::string& in, const char* to, const char* from) {
  gsize written = 0;
  gchar* out = g_convert(in.data(), static_cast<gssize>(in.size()), to, from, nullptr, &written,
                         nullptr);
  if (out == nullptr) return std::string();
  std::string r(out, written);
  g_free(out);
  return r;
}

}  // namespace

std::string ToUtf8(const Text& gbk) {
  bool ascii = true;
  for (char c : gbk) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return gbk;
  std::string whole = Convert(gbk, "UTF-8", "GBK");
  if (!whole.empty() || gbk.empty()) return whole;
  // Convert character by character so one bad byte costs one character.
  std::string out;
  for (size_t i = 0; i < gbk.size();) {
    size_t n = GbkCharLength(gbk, i);
    std::string piece = gbk.substr(i, n);
    if (static_cast<unsigned char>(piece[0]) < 0x80) {
      out += piece;
    } else {
      std::string u = Convert(piece, "UTF-8", "GBK");
      out += u.empty() ? std::string("\xEF\xBF\xBD") : u;
    }
    i += n;
  }
  return out;
}

Text FromUtf8(const std::string& utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return utf8;
  const gchar* end = nullptr;
  std::string valid = utf8;
  if (!g_utf8_validate(valid.data(), static_cast<gssize>(valid.size()), &end)) {
    gchar* fixed = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    valid = fixed;
    g_free(fixed);
  }
  gsize written = 0;
  gchar* out = g_convert_with_fallback(valid.data(), static_cast<gssize>(valid.size()), "GBK",
                                       "UTF-8", "?", nullptr, &written, nullptr);
  if (out == nullptr) return Text();
  Text r(out, written);
  g_free(out);
  return r;
}

Text FromUtf8(const char* utf8) { return utf8 == nullptr ? Text() : FromUtf8(std::string(utf8)); }

std::string ToFsPath(const Text& gbkPath) {
  std::string p = ToUtf8(gbkPath);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

}  // namespace qv::gtk
