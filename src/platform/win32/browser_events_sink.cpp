#include "platform/win32/browser_events_sink.h"

#include <exdisp.h>
#include <exdispid.h>

#include "platform/win32/browser_view.h"
#include "platform/win32/text_conv.h"

namespace qv::win32 {

int BrowserEventsSink::depth_ = 0;

namespace {

// Argument i counted from the first as declared (the system passes them in
// reverse order), with references followed. Null when it is missing.
VARIANT* Arg(DISPPARAMS* p, UINT i) {
  if (p == nullptr || p->rgvarg == nullptr || i >= p->cArgs) return nullptr;
  VARIANT* v = &p->rgvarg[p->cArgs - 1 - i];
  while (v != nullptr && V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  return v;
}

Text TextArg(DISPPARAMS* p, UINT i) {
  VARIANT* v = Arg(p, i);
  if (v == nullptr) return Text();
  if (V_VT(v) == VT_BSTR) return V_BSTR(v) != nullptr ? Gbk(V_BSTR(v), SysStringLen(V_BSTR(v))) : Text();
  if (V_VT(v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(v) != nullptr && *V_BSTRREF(v) != nullptr)
    return Gbk(*V_BSTRREF(v), SysStringLen(*V_BSTRREF(v)));
  return Text();
}

int32_t IntArg(DISPPARAMS* p, UINT i) {
  VARIANT* v = Arg(p, i);
  if (v == nullptr) return 0;
  VARIANT n;
  VariantInit(&n);
  if (FAILED(VariantChangeType(&n, v, 0, VT_I4))) return 0;
  return V_I4(&n);
}

bool BoolArg(DISPPARAMS* p, UINT i) {
  VARIANT* v = Arg(p, i);
  if (v == nullptr) return false;
  VARIANT n;
  VariantInit(&n);
  if (FAILED(VariantChangeType(&n, v, 0, VT_BOOL))) return false;
  return V_BOOL(&n) != VARIANT_FALSE;
}

// The new-window out-argument: takes the chosen view's application object,
// releasing what it held.
class DispatchSlot : public NewWindowTarget {
 public:
  explicit DispatchSlot(IDispatch** slot) : slot_(slot) {}
  void Accept(BrowserView& view) override {
    if (slot_ == nullptr) return;
    auto* v = dynamic_cast<Win32BrowserView*>(&view);
    IDispatch* app = v != nullptr ? v->ApplicationObject() : nullptr;
    if (app == nullptr) return;
    if (*slot_ != nullptr) (*slot_)->Release();
    *slot_ = app;
  }

 private:
  IDispatch** slot_;
};

IDispatch** DispatchOutArg(DISPPARAMS* p, UINT i) {
  if (p == nullptr || p->rgvarg == nullptr || i >= p->cArgs) return nullptr;
  VARIANT* v = &p->rgvarg[p->cArgs - 1 - i];
  if (V_VT(v) == (VT_BYREF | VT_DISPATCH)) return V_DISPATCHREF(v);
  if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v) != nullptr) {
    VARIANT* inner = V_VARIANTREF(v);
    if (V_VT(inner) == VT_EMPTY) V_VT(inner) = VT_DISPATCH, V_DISPATCH(inner) = nullptr;
    if (V_VT(inner) == VT_DISPATCH) return &V_DISPATCH(inner);
  }
  return nullptr;
}

}  // namespace

STDMETHODIMP BrowserEventsSink::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) BrowserEventsSink::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) BrowserEventsSink::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

STDMETHODIMP BrowserEventsSink::GetTypeInfoCount(UINT* n) {
  if (n != nullptr) *n = 0;
  return S_OK;
}

STDMETHODIMP BrowserEventsSink::GetTypeInfo(UINT, LCID, ITypeInfo** ti) {
  if (ti != nullptr) *ti = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserEventsSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP BrowserEventsSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                       VARIANT* result, EXCEPINFO*, UINT*) {
  if (result != nullptr) VariantInit(result);
  if (view_ == nullptr) return S_OK;
  // Keep this sink alive while the handlers run: they may close the view.
  AddRef();
  ++depth_;
  Dispatch(id, params);
  --depth_;
  Release();
  return S_OK;
}

void BrowserEventsSink::Dispatch(DISPID id, DISPPARAMS* p) {
  Win32BrowserView& v = *view_;
  // A copy: a handler may close the view and with it these handlers.
  BrowserHandlers h = v.browserHandlers;
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      if (h.beforeNavigate2) h.beforeNavigate2(v);
      break;
    case DISPID_NEWWINDOW2: {
      DispatchSlot slot(DispatchOutArg(p, 0));
      if (h.newWindow2) h.newWindow2(v, slot);
      break;
    }
    case DISPID_NAVIGATECOMPLETE2:
      if (h.navigateComplete2) h.navigateComplete2(v, TextArg(p, 1));
      break;
    case DISPID_DOWNLOADBEGIN:
      if (h.downloadBegin) h.downloadBegin(v);
      break;
    case DISPID_PROGRESSCHANGE:
      if (h.progressChange) h.progressChange(v, IntArg(p, 0), IntArg(p, 1));
      break;
    case DISPID_DOWNLOADCOMPLETE:
      if (h.downloadComplete) h.downloadComplete(v);
      break;
    case DISPID_DOCUMENTCOMPLETE:
      if (h.documentComplete) h.documentComplete(v);
      break;
    case DISPID_STATUSTEXTCHANGE:
      if (h.statusTextChange) h.statusTextChange(v, TextArg(p, 0));
      break;
    case DISPID_TITLECHANGE:
      if (h.titleChange) h.titleChange(v, TextArg(p, 0));
      break;
    case DISPID_COMMANDSTATECHANGE:
      if (h.commandStateChange) h.commandStateChange(v, IntArg(p, 0), BoolArg(p, 1));
      break;
    default:
      break;
  }
}

}  // namespace qv::win32
