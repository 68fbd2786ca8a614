#include "platform/win32/browser_site.h"

namespace qv::win32 {

STDMETHODIMP BrowserSite::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *out = static_cast<IOleInPlaceFrame*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) BrowserSite::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** mk) {
  if (mk != nullptr) *mk = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** c) {
  if (c != nullptr) *c = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* out) {
  if (out == nullptr) return E_POINTER;
  *out = host_;
  return host_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                           LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame != nullptr) {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
  }
  if (doc != nullptr) *doc = nullptr;
  RECT rc{};
  if (host_ != nullptr) GetClientRect(host_, &rc);
  if (pos != nullptr) *pos = rc;
  if (clip != nullptr) *clip = rc;
  if (info != nullptr) {
    info->fMDIApp = FALSE;
    info->hwndFrame = host_ != nullptr ? GetAncestor(host_, GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
  }
  return S_OK;
}

}  // namespace qv::win32
