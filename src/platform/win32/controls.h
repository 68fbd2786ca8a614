// The Win32 control kinds. Each kind lives in its own file.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/win32/control_base.h"

namespace qv::win32 {

// Creates the control of the kind its description gives in `owner`.
std::unique_ptr<Control> MakeControl(Win32Window* owner, const ControlDesc& desc);

// Self-drawn static text: labels, the transparent label and separator lines.
class Label : public ControlBase<Control> {
 public:
  Label(Win32Window* owner, const ControlDesc& desc);
  Text GetText() const override { return text_; }
  void SetText(const Text& t) override;
  static void RegisterClass();

 private:
  Text text_;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint(HDC dc, const RECT& rc);
  COLORREF BackgroundUnder() const;
};

// Owner-drawn image button; the image is chosen by the control's name.
class PictureButton : public ControlBase<Control> {
 public:
  PictureButton(Win32Window* owner, const ControlDesc& desc);
  // The caption is kept, not drawn; the window text names the button.
  Text GetText() const override { return text_; }
  void SetText(const Text& t) override { text_ = t; }
  void OnCommand(WORD code) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& dis) override;

 private:
  Text text_;
};

// Draws the image of the button named `name` into `rc`.
void DrawButtonGlyph(HDC dc, const RECT& rc, const Text& name, bool pressed, bool enabled);

class PushButton : public ControlBase<Control> {
 public:
  PushButton(Win32Window* owner, const ControlDesc& desc);
  Text GetText() const override { return text_; }
  void SetText(const Text& t) override;
  void OnCommand(WORD code) override;

 private:
  Text text_;
};

class Win32EditBox : public ControlBase<EditBox> {
 public:
  Win32EditBox(Win32Window* owner, const ControlDesc& desc);
  ~Win32EditBox() override;
  void OnCommand(WORD code) override;
  HBRUSH OnCtlColor(HDC dc) override;

 private:
  static LRESULT CALLBACK Subclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

class Win32ComboBox : public ControlBase<ComboBox> {
 public:
  Win32ComboBox(Win32Window* owner, const ControlDesc& desc);
  void SetRect(const Rect& r) override;
  void AddEntry(const Text& text) override;
  int32_t EntryCount() const override;
  Text EntryText(int32_t index) const override;
  int32_t Selected() const override;
  void Select(int32_t index) override;
  void OnCommand(WORD code) override;

 private:
  static void CALLBACK Reapply(HWND hwnd, UINT, UINT_PTR id, DWORD);
  Text pending_;
};

class Win32TabStrip : public ControlBase<TabStrip> {
 public:
  Win32TabStrip(Win32Window* owner, const ControlDesc& desc);
  ~Win32TabStrip() override;

  void AddPage(const Text& caption) override;
  void RemovePage(int32_t index) override;
  int32_t PageCount() const override;
  Text GetCaption(int32_t index) const override;
  void SetCaption(int32_t index, const Text& caption) override;
  void SetPageTip(int32_t index, const Text& tip) override;
  Text GetPageTip(int32_t index) const override;
  Rect HeaderRect(int32_t index) const override;
  int32_t CurrentPage() const override;
  void SetCurrentPage(int32_t index) override;
  int32_t HeaderSide() const override { return side_; }
  void SetHeaderSide(int32_t side) override;
  int32_t HeaderHeight() const override;
  int32_t PageAreaWidth() const override;
  int32_t PageAreaHeight() const override;

  bool OnNotify(NMHDR* hdr, LRESULT& result) override;

 private:
  static LRESULT CALLBACK Subclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  RECT PageArea() const;
  void RaiseSelectionChanged();
  // Captions and tips as the program gave them (byte-exact).
  std::vector<Text> captions_;
  std::vector<Text> tips_;
  std::wstring tipBuffer_;  // the text handed to the tip window last
  int32_t side_ = 0;
};

struct PanelLine {
  int32_t x1, y1, x2, y2;
  Color color;
};

class Win32DrawPanel : public ControlBase<DrawPanel> {
 public:
  Win32DrawPanel(Win32Window* owner, const ControlDesc& desc);
  void ClearDrawing() override;
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) override;
  void AfterPlaced() override;
  static void RegisterClass();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  std::vector<PanelLine> lines_;
};

}  // namespace qv::win32
