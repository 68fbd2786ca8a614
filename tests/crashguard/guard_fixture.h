// Fresh guard globals for each test, with the defaults start-up gives.
#pragma once

#include <gtest/gtest.h>

#include "crashguard/guard_globals.h"

namespace qv::testing {

class GuardGlobalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GuardSlot();
    GuardSlot() = new GuardGlobals();
    g().config.ownerWindowClass.Assign(kDefaultOwnerWindowClass);
    g().config.prologueScanLimit = kDefaultPrologueScanLimit;
    g().catchScanLimit = kDefaultCatchScanLimit;
    g().threadTableLock.Create();
    g().nameRegistryLock.Create();
  }
  void TearDown() override {
    for (auto& r : g().threadTable) r->CloseThreadHandle();
    delete GuardSlot();
    GuardSlot() = saved_;
  }
  GuardGlobals& g() { return *GuardSlot(); }

 private:
  GuardGlobals* saved_ = nullptr;
};

}  // namespace qv::testing
