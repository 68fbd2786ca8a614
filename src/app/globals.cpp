#include "app/globals.h"

#include "app/startup.h"
#include "crashguard/guard_api.h"

namespace qv {

AppState* g = nullptr;

void CreateGlobalState(Platform& platform) {
  delete g;
  g = new AppState();
  g->platform = &platform;
  // The slot OpenFirstTab fills in place.
  g->TabTable.assign(1, TabRecord{});
  g->CurrentTab = 0;
  g->TabCaptionLimit = 16;
  GuardCreateGlobals();
}

void ReleaseGlobalState() {
  GuardReleaseGlobals();
  delete g;
  g = nullptr;
}

}  // namespace qv
