#include "engine_fixture.h"
qv::gtk::GtkPlatform* qv::test::EngineTest::platform = nullptr;
