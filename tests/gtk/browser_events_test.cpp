// The browser events, raised by a real engine on real pages, as the
// program shows them.
#include <memory>

#include "engine_fixture.h"
#include "pages.h"

namespace qv::test {
namespace {

class BrowserEventsTest : public EngineTest {
 protected:
  static void SetUpTestSuite() { server = new HttpServer(TestPages()); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  static std::string Url(const std::string& path) { return server->Url(path); }
  static HttpServer* server;
};
HttpServer* BrowserEventsTest::server = nullptr;

TEST_F(BrowserEventsTest, TitleBecomesWindowAndTabCaptionAndTip) {
  Start(Url("/a"));
  const Text title = "页面甲";
  ASSERT_TRUE(Wait([&] { return Main().GetCaption() == title; }));
  EXPECT_EQ(g->main.Label_Title->GetText(), title);
  EXPECT_EQ(Strip().GetPageTip(0), title);
  EXPECT_NE(Strip().GetCaption(0).find("页面甲"), Text::npos);
  EXPECT_EQ(View(1).LocationName(), title);
}

}  // namespace
}  // namespace qv::test
