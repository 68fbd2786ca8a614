#include "platform/win32/browser_view.h"

#include <exdisp.h>

#include <vector>

#include "platform/win32/browser_events_sink.h"
#include "platform/win32/browser_site.h"

namespace qv::win32 {
namespace {

constexpr wchar_t kHostClass[] = L"QuorviBrowserHost";
constexpr wchar_t kNavigationsProp[] = L"QuorviNavigations";

// What is left of a view that went while one of the control's events ran:
// released on the next pass of the message loop.
struct Retired {
  HWND host;
  IOleObject* ole;
  IWebBrowser2* web;
  BrowserSite* site;
};
std::vector<Retired>& RetiredList() {
  static std::vector<Retired> list;
  return list;
}

void Teardown(Retired r) {
  if (r.ole != nullptr) {
    r.ole->Close(OLECLOSE_NOSAVE);
    r.ole->SetClientSite(nullptr);
    r.ole->Release();
  }
  if (r.web != nullptr) r.web->Release();
  if (r.site != nullptr) {
    r.site->Detach();
    r.site->Release();
  }
  if (r.host != nullptr && IsWindow(r.host)) DestroyWindow(r.host);
}

Text FromBstr(BSTR b) {
  Text t = b != nullptr ? Gbk(b, SysStringLen(b)) : Text();
  SysFreeString(b);
  return t;
}

}  // namespace

void Win32BrowserView::RegisterClass() {
  WNDCLASSEXW wc = {};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kHostClass, &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &Win32BrowserView::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kHostClass;
  RegisterClassExW(&wc);
}

Win32BrowserView::Win32BrowserView(Win32Window* owner, const ControlDesc& desc)
    : ControlBase(owner, desc), text_(desc.text) {
  RegisterClass();
  Attach(CreateChildWindow(owner, kHostClass, WS_CLIPCHILDREN, 0, desc, std::wstring(), nullptr),
         this);
  if (desc.visible) EnsureEmbedded();
}

void Win32BrowserView::EnsureEmbedded() {
  if (embedTried_) return;
  embedTried_ = true;
  if (hwnd_ != nullptr) Embed();
}

// The system's browser control, in place in the host window. Where the
// system has none (or refuses it) the view stays an empty window.
void Win32BrowserView::Embed() {
  // Scripted runs (the tests) may keep the system's control out: it would
  // navigate and raise events on its own schedule.
  if (GetEnvironmentVariableW(L"QUORVI_NO_BROWSER_CONTROL", nullptr, 0) != 0) return;
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(&ole_))) ||
      ole_ == nullptr) {
    ole_ = nullptr;
    return;
  }
  site_ = new BrowserSite(hwnd_);
  ole_->SetClientSite(static_cast<IOleClientSite*>(site_));
  OleSetContainedObject(ole_, TRUE);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0, hwnd_, &rc);
  if (FAILED(ole_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web_)))) {
    web_ = nullptr;
    return;
  }
  // A page's new window may be handed to this view (new-window requests).
  web_->put_RegisterAsBrowser(VARIANT_TRUE);
  web_->put_Silent(VARIANT_TRUE);
  IConnectionPointContainer* cpc = nullptr;
  if (SUCCEEDED(web_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc))) &&
      cpc != nullptr) {
    if (SUCCEEDED(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &point_)) && point_ != nullptr) {
      sink_ = new BrowserEventsSink(this);
      if (FAILED(point_->Advise(static_cast<IDispatch*>(sink_), &cookie_))) cookie_ = 0;
    }
    cpc->Release();
  }
  ResizeBrowser();
}

Win32BrowserView::~Win32BrowserView() {
  if (sink_ != nullptr) {
    sink_->Detach();
    if (point_ != nullptr && cookie_ != 0) point_->Unadvise(cookie_);
    sink_->Release();
    sink_ = nullptr;
  }
  if (point_ != nullptr) point_->Release();
  owner_->Unregister(this);
  Retired r{hwnd_, ole_, web_, site_};
  if (hwnd_ != nullptr && IsWindow(hwnd_)) RemovePropW(hwnd_, kSelfProp);
  hwnd_ = nullptr;  // the host goes with the control, not before
  ole_ = nullptr;
  web_ = nullptr;
  site_ = nullptr;
  if (BrowserEventsSink::InEvent()) {
    // The control is still running the event that closed this view.
    if (r.host != nullptr && IsWindow(r.host)) ShowWindow(r.host, SW_HIDE);
    RetiredList().push_back(r);
  } else {
    Teardown(r);
  }
}

bool Win32BrowserView::TranslatePageKey(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  for (HWND w = msg.hwnd; w != nullptr; w = GetParent(w)) {
    wchar_t cls[32] = {};
    if (GetClassNameW(w, cls, 32) == 0 || lstrcmpW(cls, kHostClass) != 0) continue;
    Win32BrowserView* view = SelfOf<Win32BrowserView>(w);
    if (view == nullptr) return false;
    if (view->web_ == nullptr) return false;
    IOleInPlaceActiveObject* active = nullptr;
    if (FAILED(view->web_->QueryInterface(IID_IOleInPlaceActiveObject,
                                          reinterpret_cast<void**>(&active))) ||
        active == nullptr)
      return false;
    bool used = active->TranslateAccelerator(&msg) == S_OK;
    active->Release();
    return used;
  }
  return false;
}

void Win32BrowserView::ReleaseRetired() {
  if (BrowserEventsSink::InEvent()) return;
  std::vector<Retired> list;
  list.swap(RetiredList());
  for (const Retired& r : list) Teardown(r);
}

void Win32BrowserView::ResizeBrowser() {
  if (ole_ == nullptr || hwnd_ == nullptr) return;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  IOleInPlaceObject* ip = nullptr;
  if (SUCCEEDED(ole_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&ip))) && ip != nullptr) {
    ip->SetObjectRects(&rc, &rc);
    ip->Release();
  }
}

void Win32BrowserView::SetRect(const Rect& r) {
  ControlBase::SetRect(r);
  ResizeBrowser();
}

void Win32BrowserView::SetVisible(bool v) {
  if (v) EnsureEmbedded();
  ControlBase::SetVisible(v);
  if (web_ != nullptr) web_->put_Visible(v ? VARIANT_TRUE : VARIANT_FALSE);
}

void Win32BrowserView::Navigate(const Text& url) {
  requested_ = url;
  EnsureEmbedded();
  if (hwnd_ != nullptr) {
    // What the view was last asked to show, readable from outside (and the
    // only trace of it where the system has no browser control).
    SetWindowTextW(hwnd_, Wide(url).c_str());
    auto n = reinterpret_cast<intptr_t>(GetPropW(hwnd_, kNavigationsProp));
    SetPropW(hwnd_, kNavigationsProp, reinterpret_cast<HANDLE>(n + 1));
  }
  if (web_ == nullptr) return;
  BSTR address = SysAllocStringLen(nullptr, 0);
  std::wstring w = Wide(url);
  SysReAllocStringLen(&address, w.c_str(), static_cast<UINT>(w.size()));
  VARIANT empty;
  VariantInit(&empty);
  web_->Navigate(address, &empty, &empty, &empty, &empty);
  SysFreeString(address);
}

void Win32BrowserView::GoBack() {
  if (web_ != nullptr) web_->GoBack();
}

void Win32BrowserView::GoForward() {
  if (web_ != nullptr) web_->GoForward();
}

void Win32BrowserView::Refresh() {
  if (web_ != nullptr) web_->Refresh();
}

void Win32BrowserView::Stop() {
  if (web_ != nullptr) web_->Stop();
}

Text Win32BrowserView::LocationURL() const {
  if (web_ != nullptr) {
    BSTR b = nullptr;
    if (SUCCEEDED(web_->get_LocationURL(&b))) {
      Text t = FromBstr(b);
      if (!t.empty()) return t;
    }
  }
  return requested_;
}

// A page without a title is named by its address, as the system's control
// does; a view without a control names what it was asked to show.
Text Win32BrowserView::LocationName() const {
  if (web_ == nullptr) return requested_;
  BSTR b = nullptr;
  Text name = SUCCEEDED(web_->get_LocationName(&b)) ? FromBstr(b) : Text();
  // Before a page has loaded (or where it cannot) the control names
  // nothing; the address it was asked for names the view then.
  return name.empty() ? LocationURL() : name;
}

IDispatch* Win32BrowserView::ApplicationObject() {
  EnsureEmbedded();
  if (web_ == nullptr) return nullptr;
  IDispatch* app = nullptr;
  if (FAILED(web_->get_Application(&app))) return nullptr;
  return app;
}

LRESULT CALLBACK Win32BrowserView::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    if (Win32BrowserView* self = SelfOf<Win32BrowserView>(hwnd)) self->ResizeBrowser();
    return 0;
  }
  if (msg == WM_DESTROY) RemovePropW(hwnd, kNavigationsProp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace qv::win32
