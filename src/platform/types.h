// Small value types shared by the program logic and every backend.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Every text the program handles is a GBK (code page 936) byte string.
// Lengths, cuts and paddings count bytes; comparisons are byte-exact.
using Text = std::string;

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

struct Color {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Color& o) const { return !(*this == o); }
};

// Kinds of child control the forms are built from.
enum class ControlKind {
  Label,          // static text; also the self-drawn caption and background pieces
  TransLabel,     // transparent label drawn over another control
  PictureButton,  // owner-drawn image button, identified by its name for its image
  Button,         // plain push button with a text
  EditBox,        // single-line edit box
  ComboBox,       // drop-down list (editable or not)
  TabStrip,       // tab headers only (pages are empty)
  BrowserView,    // the embedded HTML browser
  DrawPanel,      // panel that keeps what is drawn on it
  Shape,          // a separator line
};

// Cursor shapes for the border zones (the system's sizing cursors).
enum class CursorShape { Arrow, SizeNWSE, SizeNS, SizeNESW, SizeWE };

// Show commands for top-level windows.
enum class ShowCommand { Hide, Normal, Minimize, Show };

// Keyboard modifier bits as the address box receives them.
enum Modifier : int32_t { kModCtrl = 1, kModShift = 2, kModAlt = 4 };

// Message box flavours the program uses.
enum class MessageIcon { None, Error };

}  // namespace qv
