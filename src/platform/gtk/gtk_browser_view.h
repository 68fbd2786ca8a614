// A browser view over a WebKitWebView. The web view is made when the view is
// first needed (the hidden template never gets one); a copy made while a
// page asks for a new window is made related to the asking view, which is
// what WebKit needs to load the new page in it.
#pragma once

#include <webkit2/webkit2.h>

#include "platform/gtk/gtk_controls.h"

namespace qv::gtk {

class WebControl : public ControlImpl<BrowserView> {
 public:
  WebControl(GtkWindowImpl* owner, const ControlDesc& desc);
  ~WebControl() override;

  void SetVisible(bool v) override;
  void Navigate(const Text& url) override;
  void GoBack() override;
  void GoForward() override;
  void Refresh() override;
  void Stop() override;
  Text LocationURL() const override;
  Text LocationName() const override;

  // Makes the web view now (related to `related` when given).
  WebKitWebView* EnsureView(WebKitWebView* related = nullptr);
  WebKitWebView* View() const { return view_; }
  void ForgetView() { view_ = nullptr; }

  // The view that asked for a new window, while its "create" signal runs.
  static WebKitWebView* creatingFrom;

  // Signal bodies.
  void OnLoadChanged(WebKitLoadEvent event);
  void OnProgress();
  void OnTitle();
  void OnHover(WebKitHitTestResult* hit);
  void OnHistoryChanged();
  GtkWidget* OnCreate(WebKitNavigationAction* action);
  gboolean OnDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);

 private:
  WebKitWebView* view_ = nullptr;
  Text lastStatus_;
  bool titleSeen_ = false;
};

}  // namespace qv::gtk
