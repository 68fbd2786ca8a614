// The UI font: the system's Chinese UI faces first, then one that Wine
// installs show Chinese with; the default GUI font when none exists.
#include <windows.h>

#include "platform/win32/control_base.h"

namespace qv::win32 {
namespace {

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceExists(HDC dc, const wchar_t* face) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &lf, &FoundFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

HFONT MakeUiFont() {
  static const wchar_t* const kFaces[] = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun",
                                          L"WenQuanYi Micro Hei"};
  HDC dc = GetDC(nullptr);
  const wchar_t* chosen = nullptr;
  for (const wchar_t* face : kFaces) {
    if (FaceExists(dc, face)) {
      chosen = face;
      break;
    }
  }
  int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(nullptr, dc);
  if (chosen == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf = {};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(lf.lfFaceName, chosen, LF_FACESIZE);
  HFONT f = CreateFontIndirectW(&lf);
  return f != nullptr ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

HFONT UiFont() {
  static HFONT font = MakeUiFont();
  return font;
}

}  // namespace qv::win32
