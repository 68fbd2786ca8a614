// DWebBrowserEvents2 as an IDispatch: each event the control fires reaches
// the view's handlers by its DISPID, with its arguments converted.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace qv::win32 {

class Win32BrowserView;

class BrowserEventsSink : public IDispatch {
 public:
  explicit BrowserEventsSink(Win32BrowserView* view) : view_(view) {}
  virtual ~BrowserEventsSink() = default;
  // The view has gone: later events are dropped.
  void Detach() { view_ = nullptr; }
  // True while some sink is inside an event handler.
  static bool InEvent() { return depth_ > 0; }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* n) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ti) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override;

 private:
  void Dispatch(DISPID id, DISPPARAMS* params);
  Win32BrowserView* view_;
  LONG refs_ = 1;
  static int depth_;
};

}  // namespace qv::win32
