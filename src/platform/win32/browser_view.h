// The browser view: the system's WebBrowser control, created through COM
// and hosted by hand in a child window of its own.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include "platform/win32/control_base.h"

namespace qv::win32 {

class BrowserSite;
class BrowserEventsSink;

class Win32BrowserView : public ControlBase<BrowserView> {
 public:
  Win32BrowserView(Win32Window* owner, const ControlDesc& desc);
  ~Win32BrowserView() override;

  void SetRect(const Rect& r) override;
  void SetVisible(bool v) override;
  Text GetText() const override { return text_; }
  void SetText(const Text& t) override { text_ = t; }

  void Navigate(const Text& url) override;
  void GoBack() override;
  void GoForward() override;
  void Refresh() override;
  void Stop() override;
  Text LocationURL() const override;
  Text LocationName() const override;

  // The control's application object for a new-window request (a new
  // reference), or null when there is no control.
  IDispatch* ApplicationObject();
  // False when the system gave no browser control (the view is then an
  // empty window that still records what it was asked to show).
  bool HasBrowser() const { return web_ != nullptr; }
  void ResizeBrowser();
  static void RegisterClass();
  // Gives a key meant for a page to its control first (editing keys,
  // Tab between fields, copy and paste); true when the control used it.
  static bool TranslatePageKey(MSG& msg);
  // Releases the controls of views that went while one of their events ran.
  static void ReleaseRetired();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  // The control comes with the view's first showing or navigation: a view
  // that is never shown (the template the tabs copy) never pays for one.
  void EnsureEmbedded();
  void Embed();

  Text text_;
  Text requested_;  // the last address asked for
  bool embedTried_ = false;
  IOleObject* ole_ = nullptr;
  IWebBrowser2* web_ = nullptr;
  BrowserSite* site_ = nullptr;
  BrowserEventsSink* sink_ = nullptr;
  DWORD cookie_ = 0;
  IConnectionPoint* point_ = nullptr;
};

}  // namespace qv::win32
