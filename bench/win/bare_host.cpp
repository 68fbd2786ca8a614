// The floor for the start-up and memory figures: one plain window hosting
// one WebBrowser control through COM (the same client site as the program),
// navigating once. A button named like the program's new-tab button adds one
// more control per click, hiding the one before, as a new tab would.
//
//   bare_host.exe [URL]
//
// Each control's host window carries the address it was asked to show as
// its text, so the driver sees from outside when the navigation was asked.
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "platform/win32/browser_site.h"

namespace {

constexpr wchar_t kMainClass[] = L"QuorviBareHost";
constexpr wchar_t kViewClass[] = L"QuorviBareBrowser";
constexpr int kButtonId = 100;
// The address the program's new tabs open.
constexpr wchar_t kNewTabAddress[] = L"http://www.hao123.com/?tn=quorvi_dg";

struct View {
  HWND host = nullptr;
  IOleObject* ole = nullptr;
  IWebBrowser2* web = nullptr;
  qv::win32::BrowserSite* site = nullptr;
};

HWND g_main = nullptr;
std::vector<View> g_views;

RECT PageRect() {
  RECT rc;
  GetClientRect(g_main, &rc);
  rc.top += 32;
  return rc;
}

void Navigate(View& v, const std::wstring& url) {
  if (v.web != nullptr) {
    BSTR address = SysAllocStringLen(url.c_str(), static_cast<UINT>(url.size()));
    VARIANT empty;
    VariantInit(&empty);
    v.web->Navigate(address, &empty, &empty, &empty, &empty);
    SysFreeString(address);
  }
  SetWindowTextW(v.host, url.c_str());
}

void AddView(const std::wstring& url) {
  RECT rc = PageRect();
  View v;
  v.host = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rc.left,
                           rc.top, rc.right - rc.left, rc.bottom - rc.top, g_main, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (v.host == nullptr) return;
  if (SUCCEEDED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                 reinterpret_cast<void**>(&v.ole))) &&
      v.ole != nullptr) {
    v.site = new qv::win32::BrowserSite(v.host);
    v.ole->SetClientSite(static_cast<IOleClientSite*>(v.site));
    OleSetContainedObject(v.ole, TRUE);
    RECT client;
    GetClientRect(v.host, &client);
    v.ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(v.site), 0, v.host,
                  &client);
    if (FAILED(v.ole->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&v.web))))
      v.web = nullptr;
  } else {
    v.ole = nullptr;
  }
  if (!g_views.empty()) ShowWindow(g_views.back().host, SW_HIDE);
  ShowWindow(v.host, SW_SHOW);
  g_views.push_back(v);
  Navigate(g_views.back(), url);
}

void ReleaseViews() {
  for (View& v : g_views) {
    if (v.web != nullptr) v.web->Release();
    if (v.ole != nullptr) {
      v.ole->Close(OLECLOSE_NOSAVE);
      v.ole->SetClientSite(nullptr);
      v.ole->Release();
    }
    if (v.site != nullptr) {
      v.site->Detach();
      v.site->Release();
    }
  }
  g_views.clear();
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == kButtonId && HIWORD(wp) == BN_CLICKED) AddView(kNewTabAddress);
      return 0;
    case WM_DESTROY:
      ReleaseViews();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) {
    for (View& v : g_views) {
      if (v.host != hwnd || v.ole == nullptr) continue;
      IOleInPlaceObject* ip = nullptr;
      if (SUCCEEDED(v.ole->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&ip)))) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        ip->SetObjectRects(&rc, &rc);
        ip->Release();
      }
    }
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmd, int) {
  HRESULT ole = OleInitialize(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kMainClass;
  RegisterClassExW(&wc);
  wc.lpfnWndProc = ViewProc;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kViewClass;
  RegisterClassExW(&wc);

  g_main = CreateWindowExW(0, kMainClass, L"bare host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
  if (g_main == nullptr) return 1;
  CreateWindowExW(0, L"BUTTON", L"PicBtn_NewTab", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 4, 4, 24, 24,
                  g_main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), instance, nullptr);
  std::wstring first = (cmd != nullptr && *cmd != 0) ? std::wstring(cmd) : std::wstring(kNewTabAddress);
  AddView(first);
  ShowWindow(g_main, SW_SHOW);
  UpdateWindow(g_main);

  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return 0;
}
