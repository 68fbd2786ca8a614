// Child controls as the program logic sees them. Each backend implements
// these classes over its own widgets; the logic never learns which.
#pragma once

#include <functional>
#include <memory>

#include "platform/types.h"

namespace qv {

class Control;
class EditBox;
class TabStrip;
class BrowserView;
class DrawPanel;
class ComboBox;

// One handler per event. A copy of a template control receives a copy of
// this record, so every copy is bound to the template's handlers and the
// handler learns which copy raised the event from the sender argument.
struct ControlHandlers {
  std::function<void(Control&)> click;
  std::function<void(Control&)> doubleClick;
  std::function<void(Control&, int32_t x, int32_t y)> mouseMove;
  std::function<void(Control&, int32_t x, int32_t y)> leftDown;

  // Edit box.
  std::function<void(EditBox&, int32_t code)> charInput;
  std::function<void(EditBox&, int32_t key, int32_t modifiers)> keyDown;
  std::function<void(EditBox&)> focusGained;
  std::function<void(EditBox&)> focusLost;

  // Combo box: the selection changed to entry `index`.
  std::function<void(ComboBox&, int32_t index)> selected;

  // Tab strip: event 0 (selection changed) and event 4 (right button up on header i).
  std::function<void(TabStrip&)> selectionChanged;
  std::function<void(TabStrip&, int32_t page)> headerRightUp;
};

class Control {
 public:
  virtual ~Control() = default;

  virtual ControlKind Kind() const = 0;
  // The role name the form gave the control ("PicBtn_Back"); backends pick
  // images by it. Copies keep the template's name.
  virtual const Text& Name() const = 0;

  // Place and size relative to the owning window's client area.
  virtual Rect GetRect() const = 0;
  virtual void SetRect(const Rect& r) = 0;

  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;

  // Caption of labels and buttons, contents of edit and combo boxes.
  virtual Text GetText() const = 0;
  virtual void SetText(const Text& text) = 0;

  // Free text the program keeps on the control (the tab number of a view).
  virtual Text GetTag() const = 0;
  virtual void SetTag(const Text& tag) = 0;

  virtual void SetTextColor(Color c) = 0;
  virtual Color GetTextColor() const = 0;

  // Repaint now (transparent labels are redrawn on every progress tick).
  virtual void Redraw() = 0;

  ControlHandlers handlers;

  // Convenience setters: one field at a time, through SetRect.
  int32_t Left() const { return GetRect().left; }
  int32_t Top() const { return GetRect().top; }
  int32_t Width() const { return GetRect().width; }
  int32_t Height() const { return GetRect().height; }
  void SetLeft(int32_t v) { Rect r = GetRect(); r.left = v; SetRect(r); }
  void SetTop(int32_t v) { Rect r = GetRect(); r.top = v; SetRect(r); }
  void SetWidth(int32_t v) { Rect r = GetRect(); r.width = v; SetRect(r); }
  void SetHeight(int32_t v) { Rect r = GetRect(); r.height = v; SetRect(r); }
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
};

class EditBox : public Control {};

class ComboBox : public Control {
 public:
  virtual void AddEntry(const Text& text) = 0;
  virtual int32_t EntryCount() const = 0;
  virtual Text EntryText(int32_t index) const = 0;
  // -1 when nothing is selected. Selecting by the program raises no event.
  virtual int32_t Selected() const = 0;
  virtual void Select(int32_t index) = 0;
};

class TabStrip : public Control {
 public:
  virtual void AddPage(const Text& caption) = 0;
  // Ignored for an index out of range; removing a page before the current
  // one lowers the current index by one. May raise selectionChanged.
  virtual void RemovePage(int32_t index) = 0;
  virtual int32_t PageCount() const = 0;
  virtual Text GetCaption(int32_t index) const = 0;
  virtual void SetCaption(int32_t index, const Text& caption) = 0;
  virtual void SetPageTip(int32_t index, const Text& tip) = 0;
  virtual Text GetPageTip(int32_t index) const = 0;
  // Header rectangle relative to the strip.
  virtual Rect HeaderRect(int32_t index) const = 0;
  virtual int32_t CurrentPage() const = 0;
  // Raises selectionChanged synchronously when the value changes.
  virtual void SetCurrentPage(int32_t index) = 0;
  // 0 top, 1 bottom, 2 left, 3 right.
  virtual int32_t HeaderSide() const = 0;
  virtual void SetHeaderSide(int32_t side) = 0;
  virtual int32_t HeaderHeight() const = 0;
  virtual int32_t PageAreaWidth() const = 0;
  virtual int32_t PageAreaHeight() const = 0;
};

// The out-argument of a new-window request: receives the application object
// of the view that will show the new page (the old object is released).
class NewWindowTarget {
 public:
  virtual ~NewWindowTarget() = default;
  virtual void Accept(BrowserView& view) = 0;
};

struct BrowserHandlers {
  std::function<void(BrowserView&)> beforeNavigate2;                        // 0
  std::function<void(BrowserView&, NewWindowTarget&)> newWindow2;           // 1
  std::function<void(BrowserView&, const Text& url)> navigateComplete2;     // 2
  std::function<void(BrowserView&)> downloadBegin;                          // 3
  std::function<void(BrowserView&, int32_t progress, int32_t max)> progressChange;  // 4
  std::function<void(BrowserView&)> downloadComplete;                       // 5
  std::function<void(BrowserView&)> documentComplete;                       // 6
  std::function<void(BrowserView&, const Text& text)> statusTextChange;     // 7
  std::function<void(BrowserView&, const Text& title)> titleChange;         // 8
  std::function<void(BrowserView&, int32_t command, bool enable)> commandStateChange;  // 9
};

class BrowserView : public Control {
 public:
  virtual void Navigate(const Text& url) = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void Refresh() = 0;
  virtual void Stop() = 0;
  virtual Text LocationURL() const = 0;
  virtual Text LocationName() const = 0;

  BrowserHandlers browserHandlers;
};

class DrawPanel : public Control {
 public:
  // Lines drawn from (x1, y1) toward (x2, y2), the end point not drawn.
  // The panel keeps them across repaints until ClearDrawing.
  virtual void ClearDrawing() = 0;
  virtual void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) = 0;
};

}  // namespace qv
