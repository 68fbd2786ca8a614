#include "platform/win32/win32_timer.h"

#include "platform/win32/win32_window.h"

namespace qv::win32 {

void Win32Timer::SetPeriod(int32_t ms) {
  period_ = ms;
  HWND hwnd = owner_->Hwnd();
  if (ms <= 0) {
    // A negative period stops it too: the system has no such timer.
    period_ = ms < 0 ? 0 : ms;
    Stop();
    return;
  }
  if (hwnd != nullptr) running_ = SetTimer(hwnd, id_, static_cast<UINT>(ms), nullptr) != 0;
}

void Win32Timer::Stop() {
  if (running_ && owner_->Hwnd() != nullptr) KillTimer(owner_->Hwnd(), id_);
  running_ = false;
}

void Win32Timer::Fire() {
  // A tick queued before the timer was stopped is dropped.
  if (period_ == 0 || !tick) return;
  tick(*this);
}

}  // namespace qv::win32
