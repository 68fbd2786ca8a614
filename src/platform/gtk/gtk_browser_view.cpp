#include "platform/gtk/gtk_browser_view.h"

#include <cmath>

#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/gtk_text.h"
#include "platform/gtk/gtk_window.h"
#include "platform/gtk/wml_mapping.h"

namespace qv::gtk {

WebKitWebView* WebControl::creatingFrom = nullptr;

namespace {

// The out-argument of WebKit's "create": the view handed back is the one
// the page opens in.
class CreateTarget : public NewWindowTarget {
 public:
  void Accept(BrowserView& view) override {
    auto* w = dynamic_cast<WebControl*>(&view);
    if (w == nullptr) return;
    WebKitWebView* v = w->EnsureView(WebControl::creatingFrom);
    if (v != nullptr) result = v;
  }
  WebKitWebView* result = nullptr;
};

}  // namespace

WebControl::WebControl(GtkWindowImpl* owner, const ControlDesc& desc) : ControlImpl(owner, desc) {}

WebControl::~WebControl() {
  if (view_ != nullptr) {
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(view_), this);
    g_signal_handlers_disconnect_by_data(view_, this);
    webkit_web_view_stop_loading(view_);
  }
}

WebKitWebView* WebControl::EnsureView(WebKitWebView* related) {
  if (view_ != nullptr) return view_;
  GtkWidget* w = related != nullptr
                     ? GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related, NULL))
                     : webkit_web_view_new();
  view_ = WEBKIT_WEB_VIEW(w);
  WebKitSettings* s = webkit_web_view_get_settings(view_);
  webkit_settings_set_javascript_can_open_windows_automatically(s, TRUE);
  webkit_settings_set_default_font_family(s, "WenQuanYi Micro Hei");
  webkit_settings_set_sans_serif_font_family(s, "WenQuanYi Micro Hei");
  webkit_settings_set_serif_font_family(s, "WenQuanYi Micro Hei");
  webkit_settings_set_default_charset(s, "GBK");
  g_signal_connect(w, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer p) {
                     static_cast<WebControl*>(p)->OnLoadChanged(e);
                   }),
                   this);
  g_signal_connect(w, "notify::estimated-load-progress",
                   G_CALLBACK(+[](GObject*, GParamSpec*, gpointer p) {
                     static_cast<WebControl*>(p)->OnProgress();
                   }),
                   this);
  g_signal_connect(w, "notify::title", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer p) {
                     static_cast<WebControl*>(p)->OnTitle();
                   }),
                   this);
  g_signal_connect(w, "mouse-target-changed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer p) {
                     static_cast<WebControl*>(p)->OnHover(hit);
                   }),
                   this);
  g_signal_connect(webkit_web_view_get_back_forward_list(view_), "changed",
                   G_CALLBACK(+[](WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                  gpointer p) { static_cast<WebControl*>(p)->OnHistoryChanged(); }),
                   this);
  g_signal_connect(w, "create",
                   G_CALLBACK(+[](WebKitWebView*, WebKitNavigationAction* a, gpointer p) {
                     return static_cast<WebControl*>(p)->OnCreate(a);
                   }),
                   this);
  g_signal_connect(w, "decide-policy",
                   G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* d,
                                  WebKitPolicyDecisionType t, gpointer p) {
                     return static_cast<WebControl*>(p)->OnDecidePolicy(d, t);
                   }),
                   this);
  g_signal_connect(w, "destroy", G_CALLBACK(+[](GtkWidget* dead, gpointer p) {
                     auto* self = static_cast<WebControl*>(p);
                     g_signal_handlers_disconnect_by_data(
                         webkit_web_view_get_back_forward_list(WEBKIT_WEB_VIEW(dead)), self);
                     g_signal_handlers_disconnect_by_data(dead, self);
                     self->ForgetView();
                   }),
                   this);
  // A page that closes itself leaves its tab to the user.
  g_signal_connect(w, "close", G_CALLBACK(+[](WebKitWebView*, gpointer) {}), this);
  Attach(w);
  return view_;
}

void WebControl::SetVisible(bool v) {
  if (v) EnsureView(creatingFrom);
  ControlImpl::SetVisible(v);
}

void WebControl::Navigate(const Text& url) {
  EnsureView(nullptr);
  titleSeen_ = false;
  // The address goes to the engine unchanged; an empty one loads nothing.
  webkit_web_view_load_uri(view_, url.empty() ? "about:blank" : ToUtf8(url).c_str());
}

void WebControl::GoBack() {
  if (view_ != nullptr) webkit_web_view_go_back(view_);
}
void WebControl::GoForward() {
  if (view_ != nullptr) webkit_web_view_go_forward(view_);
}
void WebControl::Refresh() {
  if (view_ != nullptr) webkit_web_view_reload(view_);
}
void WebControl::Stop() {
  if (view_ != nullptr) webkit_web_view_stop_loading(view_);
}

Text WebControl::LocationURL() const {
  return view_ != nullptr ? FromUtf8(webkit_web_view_get_uri(view_)) : Text();
}

Text WebControl::LocationName() const {
  if (view_ == nullptr) return Text();
  const char* t = webkit_web_view_get_title(view_);
  // A page without a title is named by its address, as the system's view does.
  if (t == nullptr || *t == '\0') return LocationURL();
  return FromUtf8(t);
}

void WebControl::OnLoadChanged(WebKitLoadEvent event) {
  BrowserHandlers& h = browserHandlers;
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      if (h.beforeNavigate2) h.beforeNavigate2(*this);
      if (h.downloadBegin) h.downloadBegin(*this);
      break;
    case WEBKIT_LOAD_COMMITTED:
      if (h.navigateComplete2) h.navigateComplete2(*this, LocationURL());
      break;
    case WEBKIT_LOAD_FINISHED: {
      const char* t = webkit_web_view_get_title(view_);
      if ((t == nullptr || *t == '\0') && h.titleChange) h.titleChange(*this, LocationURL());
      if (h.downloadComplete) h.downloadComplete(*this);
      if (h.documentComplete) h.documentComplete(*this);
      lastStatus_ = "完毕";
      if (h.statusTextChange) h.statusTextChange(*this, lastStatus_);
      break;
    }
    default:
      break;
  }
}

void WebControl::OnProgress() {
  double p = webkit_web_view_get_estimated_load_progress(view_);
  if (browserHandlers.progressChange)
    browserHandlers.progressChange(*this, static_cast<int32_t>(std::lround(p * 100.0)), 100);
}

void WebControl::OnTitle() {
  const char* t = webkit_web_view_get_title(view_);
  if (t == nullptr || *t == '\0') return;  // cleared while the next page loads
  if (browserHandlers.titleChange) browserHandlers.titleChange(*this, FromUtf8(t));
}

void WebControl::OnHover(WebKitHitTestResult* hit) {
  Text status;
  if (webkit_hit_test_result_context_is_link(hit))
    status = FromUtf8(webkit_hit_test_result_get_link_uri(hit));
  if (status == lastStatus_) return;
  lastStatus_ = status;
  if (browserHandlers.statusTextChange) browserHandlers.statusTextChange(*this, status);
}

void WebControl::OnHistoryChanged() {
  BrowserHandlers& h = browserHandlers;
  if (!h.commandStateChange) return;
  h.commandStateChange(*this, 1, webkit_web_view_can_go_forward(view_) != FALSE);
  h.commandStateChange(*this, 2, webkit_web_view_can_go_back(view_) != FALSE);
}

GtkWidget* WebControl::OnCreate(WebKitNavigationAction*) {
  if (!browserHandlers.newWindow2) return nullptr;
  CreateTarget target;
  WebKitWebView* saved = creatingFrom;
  creatingFrom = view_;
  browserHandlers.newWindow2(*this, target);
  creatingFrom = saved;
  if (target.result == nullptr || target.result == view_) return nullptr;
  // A view made before the request is not related to this one and cannot
  // take the page; WebKit then opens nothing.
  return GTK_WIDGET(target.result);
}

gboolean WebControl::OnDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  return HandleWmlResponse(owner_->Platform(), view_, WEBKIT_RESPONSE_POLICY_DECISION(decision))
             ? TRUE
             : FALSE;
}

}  // namespace qv::gtk
