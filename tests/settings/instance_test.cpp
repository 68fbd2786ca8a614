// The command-line URL and instance marking.
#include <gtest/gtest.h>

#include "app/instance.h"
#include "app_fixture.h"

namespace qv::test {
namespace {

struct Split {
  const char* name;
  std::string commandLine;
  std::string first;
};

const Split kSplits[] = {
    {"QuotedProgramNoArgument", "\"C:\\Program Files\\Q\\q.exe\"", ""},
    {"QuotedProgramTrailingBlanks", "\"C:\\Program Files\\Q\\q.exe\"   \t ", ""},
    {"UnquotedProgram", "C:\\Q\\q.exe http://a/", "http://a/"},
    {"QuotedProgram", "\"C:\\P Q\\q.exe\" http://a/", "http://a/"},
    {"QuotedProgramNoBlankAfter", "\"C:\\P Q\\q.exe\"http://a/", "http://a/"},
    {"SecondArgumentIgnored", "q.exe http://a/ http://b/", "http://a/"},
    {"QuotedArgumentKeepsBlanks", "q.exe \"C:\\My Pages\\a b.htm\" x", "C:\\My Pages\\a b.htm"},
    {"QuotesInsideAnArgument", "q.exe ab\"c d\"e f", "abc de"},
    {"ControlCharactersSeparate", "q.exe\t\x01http://a/\x1f" "x", "http://a/"},
    {"OnlyBlanks", "   \t  ", ""},
    {"Empty", "", ""},
    {"UnbalancedQuoteInProgram", "\"C:\\Q\\q.exe http://a/", ""},
    {"UnbalancedQuoteInArgument", "q.exe \"http://a/ b", "http://a/ b"},
    {"EmptyQuotedArgument", "q.exe \"\" http://b/", ""},
    {"DoubleByteArgument", "q.exe 中文网址 x", "中文网址"},
    {"Trail5CInProgramPath", "C:\\\x81\x5C q.exe\x81\x5C http://a/", "q.exe\x81\x5C"},
    {"Trail22IsNoQuote", "q.exe \x81\"a b\"", "\x81\"a"},
    {"Trail20IsNoSeparator", "q.exe \x81 b", "\x81 b"},
    {"QuotedProgramWithTrail22", "\"C:\\\x81\"dir\\q.exe\" http://a/", "http://a/"},
    {"LoneLeadByteAtEnd", "q.exe abc\x81", "abc\x81"},
    {"DeleteCharacterSeparates", "q.exe a\x7f" "b", "a"},
};

class SplitTest : public ::testing::TestWithParam<Split> {};

TEST_P(SplitTest, FirstArgument) {
  EXPECT_EQ(FirstCommandLineArgument(GetParam().commandLine), GetParam().first);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitTest, ::testing::ValuesIn(kSplits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplitHostileTest, HugeAndInvalidInputs) {
  Text big = "q.exe " + Text(64 * 1024, 'u');
  EXPECT_TRUE(FirstCommandLineArgument(big) == Text(64 * 1024, 'u'));
  Text quotes(64 * 1024, '"');
  EXPECT_EQ(FirstCommandLineArgument(quotes), "");
  Text leads = "q.exe " + Text(64 * 1024 + 1, '\xFE');
  EXPECT_TRUE(FirstCommandLineArgument(leads) == Text(64 * 1024 + 1, '\xFE'));
  Text nul = std::string("q.exe a\0b c", 11);
  EXPECT_EQ(FirstCommandLineArgument(nul), "a") << "a NUL is a control character";
}

// Two "processes" in one test: each has its own platform, globals and main
// window; the world shares the mutexes and the top-level windows.
class InstanceTest : public AppTest {
 protected:
  void TearDown() override {
    AppTest::TearDown();
    first_.reset();
  }
  // Starts the first process with `commandLine` and parks it, minimized.
  void StartFirst(const Text& commandLine) {
    platform->commandLine = commandLine;
    Start();
    firstWindow_ = &Main();
    firstWindow_->Show(ShowCommand::Minimize);
    firstState_ = g;
    g = nullptr;
    first_ = std::move(platform);
    platform = std::make_unique<HeadlessPlatform>();
  }
  // Ends the first process: its globals go, its platform drops its handles.
  void EndFirst() {
    AppAppState* keep = g;
    g = firstState_;
    ReleaseGlobalState();
    g = keep;
    first_.reset();
  }
  using AppAppState = AppState;
  bool MutexOpen(const Text& name) {
    for (const auto& m : headless::HeadlessWorld::Get().mutexes)
      if (m.first == name && m.second > 0) return true;
    return false;
  }

  std::unique_ptr<HeadlessPlatform> first_;
  HeadlessWindow* firstWindow_ = nullptr;
  AppState* firstState_ = nullptr;
};

TEST_F(InstanceTest, StartWithoutArgumentMarksNothing) {
  platform->commandLine = "\"C:\\Quorvi\\quorvi.exe\"";
  Start();
  EXPECT_TRUE(headless::HeadlessWorld::Get().mutexes.empty() || !MutexOpen(kInstanceName));
  for (const auto& entry : platform->log) EXPECT_NE(entry.rfind("mutex:", 0), 0u);
  EXPECT_EQ(Main().GetProperty(kInstanceName), 0);
  EXPECT_EQ(Main().className, kInstanceName);
  EXPECT_EQ(View(1).navigations, std::vector<Text>{kDefaultHomePage});
}

TEST_F(InstanceTest, FirstStartWithUrlMarksItself) {
  platform->commandLine = "\"C:\\Quorvi\\quorvi.exe\" http://a/";
  Start();
  EXPECT_TRUE(MutexOpen(kInstanceName));
  EXPECT_EQ(Main().GetProperty(kInstanceName), 1);
  EXPECT_NE(g->InstanceMutex, 0);
  EXPECT_EQ(View(1).navigations, std::vector<Text>{"http://a/"});
}

TEST_F(InstanceTest, SecondStartRestoresTheMarkedWindowAndOpensItsOwn) {
  StartFirst("quorvi.exe http://first/");
  ASSERT_TRUE(firstWindow_->IsMinimized());
  platform->commandLine = "quorvi.exe \"http://second/?q=a b\"";
  Start();
  EXPECT_FALSE(firstWindow_->IsMinimized()) << "the marked window is restored";
  EXPECT_EQ(firstWindow_->showCommands.back(), ShowCommand::Normal);
  EXPECT_EQ(Main().GetProperty(kInstanceName), 0) << "the second is not marked";
  EXPECT_EQ(g->InstanceMutex, 0);
  EXPECT_EQ(View(1).navigations, std::vector<Text>{"http://second/?q=a b"});
  EXPECT_TRUE(Main().IsVisible());
  // Only the first process still holds the name.
  int open = 0;
  for (const auto& m : headless::HeadlessWorld::Get().mutexes)
    if (m.first == kInstanceName) open += m.second;
  EXPECT_EQ(open, 1);
  EndFirst();
  EXPECT_FALSE(MutexOpen(kInstanceName));
}

TEST_F(InstanceTest, UnmarkedInstanceLeavesTheNameFree) {
  StartFirst("quorvi.exe");
  platform->commandLine = "quorvi.exe http://b/";
  Start();
  EXPECT_TRUE(firstWindow_->IsMinimized()) << "an unmarked window is left alone";
  EXPECT_EQ(Main().GetProperty(kInstanceName), 1) << "the new one becomes the marked one";
  EndFirst();
}

TEST_F(InstanceTest, CheckSingleInstanceTrimsTheName) {
  platform->commandLine = "quorvi.exe";
  Start();
  EXPECT_EQ(CheckSingleInstance("  name\t", Main()), 0);
  EXPECT_EQ(Main().GetProperty("name"), 1);
  EXPECT_TRUE(MutexOpen("name"));
}

}  // namespace
}  // namespace qv::test
