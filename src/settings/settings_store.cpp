#include "settings/settings_store.h"

#include <cmath>

#include "app/arith.h"
#include "app/constants.h"
#include "app/globals.h"
#include "frame/layout.h"
#include "settings/gbk_walk.h"
#include "settings/registry_path.h"

namespace qv {
namespace {

constexpr char kTabBarPositionPath[] = "xyz\\wz\\";
constexpr char kTabBarPositionFallback[] = "1";
constexpr char kHomeSection[] = "zhuye";
constexpr char kHomeKey[] = "zhuye";
constexpr uint32_t kHomeBufferSize = 10240;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Text SettingsFilePath() {
  Text dir = g->platform->ExecutableDirectory();
  // "C:\" and the like: the separator is already there. A trail byte 0x5C
  // of a double-byte character is not one.
  if (!dir.empty() && LastSingleByte(dir, '\\') == dir.size() - 1) dir.pop_back();
  return dir + "\\corvel.ini";
}

Text FallbackHomePage() {
  Text page = kDefaultHomePage;
  size_t scheme = page.find("://");
  return scheme == Text::npos ? page : page.substr(scheme + 3);
}

Text ReadHomePage() {
  return g->platform->GetProfiles().GetString(SettingsFilePath(), kHomeSection, kHomeKey,
                                              FallbackHomePage(), kHomeBufferSize);
}

bool WriteHomePage(const Text& page) {
  return g->platform->GetProfiles().WriteString(SettingsFilePath(), kHomeSection, kHomeKey, page);
}

int32_t DecimalTextToInt(const Text& text) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Only the integer part and the exponent matter after truncation; the
  // digits are accumulated in double, which saturates instead of wrapping.
  double mantissa = 0;
  bool anyDigit = false;
  while (i < n && IsDigit(text[i])) {
    mantissa = mantissa * 10 + (text[i++] - '0');
    anyDigit = true;
  }
  double fraction = 0, scale = 1;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) {
      if (scale > 1e-300) {
        scale /= 10;
        fraction += (text[i] - '0') * scale;
      }
      ++i;
      anyDigit = true;
    }
  }
  if (!anyDigit) return 0;
  double value = mantissa + fraction;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < n && (text[j] == '+' || text[j] == '-')) expNegative = text[j++] == '-';
    if (j < n && IsDigit(text[j])) {
      int exponent = 0;
      while (j < n && IsDigit(text[j])) {
        if (exponent < 10000) exponent = exponent * 10 + (text[j] - '0');
        ++j;
      }
      value *= std::pow(10.0, expNegative ? -exponent : exponent);
    }
  }
  return Trunc32(negative ? -value : value);
}

void ApplyTabBarPosition() {
  Text stored =
      RegistryRead(RegistryRoot::CurrentUser, kTabBarPositionPath, kTabBarPositionFallback);
  g->TabBarPosition = DecimalTextToInt(stored);
  LayoutMainWindow();
}

void SaveTabBarPosition(const Text& text) {
  RegistryWrite(RegistryRoot::CurrentUser, kTabBarPositionPath, text);
  ApplyTabBarPosition();
}

void LoadSettings() {
  ApplyTabBarPosition();
  g->main.PageControl_Pages->SetHeaderSide(g->TabBarPosition);
  g->HomePage = ReadHomePage();
}

}  // namespace qv
