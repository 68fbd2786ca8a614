// A timer of a top-level window (SetTimer on the window, WM_TIMER ticks).
#pragma once

#include <windows.h>

#include "platform/window.h"

namespace qv::win32 {

class Win32Window;

class Win32Timer : public Timer {
 public:
  Win32Timer(Win32Window* owner, UINT_PTR id) : owner_(owner), id_(id) {}
  ~Win32Timer() override { Stop(); }
  void SetPeriod(int32_t ms) override;
  int32_t Period() const override { return period_; }
  UINT_PTR Id() const { return id_; }
  void Fire();
  // Stops the system timer (the window is going); the period stays readable.
  void Stop();

 private:
  Win32Window* owner_;
  UINT_PTR id_;
  int32_t period_ = 0;
  bool running_ = false;
};

}  // namespace qv::win32
