// A started program over the headless backend.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/constants.h"
#include "app/globals.h"
#include "app/startup.h"
#include "browser/tabs.h"
#include "platform/headless/headless_platform.h"

namespace qv::test {

using headless::HeadlessBrowserView;
using headless::HeadlessPlatform;
using headless::HeadlessWindow;

class AppTest : public ::testing::Test {
 protected:
  // Sets up the platform; Start() then runs the start-up steps.
  void SetUp() override { platform = std::make_unique<HeadlessPlatform>(); }

  void TearDown() override {
    if (g != nullptr) ReleaseGlobalState();
    platform.reset();
  }

  // The start-up routine up to the message loop: globals, guard, MainWindow
  // loaded (its created handler run), shown and activated.
  void Start(bool activate = true) {
    CreateGlobalState(*platform);
    g->MaximizeOverhang = 3;
    LoadMainWindow();
    if (activate) Main().Activate();
  }

  HeadlessWindow& Main() { return *static_cast<HeadlessWindow*>(g->main.window); }
  HeadlessBrowserView& View(int32_t k) {
    return *static_cast<HeadlessBrowserView*>(TabAt(k).browser);
  }
  TabStrip& Strip() { return *g->main.PageControl_Pages; }

  std::unique_ptr<HeadlessPlatform> platform;
};

}  // namespace qv::test
