// The process entry of the Windows program.
#include "platform/win32/win32_platform.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_TAB_CLASSES |
                                               ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  // The browser control needs a single-threaded apartment with OLE.
  HRESULT ole = OleInitialize(nullptr);
  int rc = 0;
  {
    qv::win32::Win32Platform platform;
    rc = qv::StartUp(platform);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return rc;
}
