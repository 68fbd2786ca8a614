// The notebook behind the tab strip keeps the contract the program relies
// on: selection changes raised at once and only on a real change.
#include "engine_fixture.h"

namespace qv::test {
namespace {

class TabStripTest : public EngineTest {
 protected:
  void SetUp() override {
    Start("about:blank");
    ControlDesc desc;
    desc.kind = ControlKind::TabStrip;
    desc.name = "TestStrip";
    desc.rect = Rect{10, 300, 400, 120};
    strip = static_cast<TabStrip*>(Main().CreateControl(desc));
    strip->handlers.selectionChanged = [this](TabStrip& s) {
      ++events;
      seen.push_back(s.CurrentPage());
    };
    for (const char* c : {"甲", "乙", "丙", "丁"}) strip->AddPage(c);
    events = 0;
    seen.clear();
  }
  GtkNotebook* Notebook() {
    return GTK_NOTEBOOK(static_cast<gtk::NotebookStrip*>(strip)->Widget());
  }
  TabStrip* strip = nullptr;
  int events = 0;
  std::vector<int32_t> seen;
};

TEST_F(TabStripTest, SelectingRaisesOnceOnlyOnAChange) {
  EXPECT_EQ(strip->CurrentPage(), 0);
  strip->SetCurrentPage(2);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(seen, std::vector<int32_t>{2});  // already current inside the event
  EXPECT_EQ(gtk_notebook_get_current_page(Notebook()), 2);
  strip->SetCurrentPage(2);
  strip->SetCurrentPage(-1);
  strip->SetCurrentPage(4);
  EXPECT_EQ(events, 1);
  // The user picks a header in the notebook itself.
  gtk_notebook_set_current_page(Notebook(), 3);
  EXPECT_EQ(events, 2);
  EXPECT_EQ(strip->CurrentPage(), 3);
}

TEST_F(TabStripTest, RemovingPagesMovesTheSelectionAsTheSystemDoes) {
  strip->SetCurrentPage(2);
  events = 0;
  strip->RemovePage(7);
  strip->RemovePage(-1);
  EXPECT_EQ(strip->PageCount(), 4);
  EXPECT_EQ(events, 0);
  strip->RemovePage(0);  // before the current one: the index drops
  EXPECT_EQ(strip->CurrentPage(), 1);
  EXPECT_EQ(strip->GetCaption(1), "丙");
  EXPECT_EQ(gtk_notebook_get_current_page(Notebook()), 1);
  strip->RemovePage(2);  // after it: nothing moves
  EXPECT_EQ(strip->CurrentPage(), 1);
  EXPECT_EQ(strip->PageCount(), 2);
  EXPECT_EQ(gtk_notebook_get_n_pages(Notebook()), 2);
}

TEST_F(TabStripTest, HeadersLieInsideTheStripOnEitherSide) {
  for (int32_t side : {0, 1}) {
    strip->SetHeaderSide(side);
    Idle(100);
    int32_t right = 0;
    for (int32_t i = 0; i < strip->PageCount(); ++i) {
      Rect h = strip->HeaderRect(i);
      EXPECT_GE(h.left, right) << i;  // in order, not overlapping
      right = h.left + h.width;
      EXPECT_EQ(h.height, strip->HeaderHeight());
      if (side == 0) {
        EXPECT_LT(h.top, 10);
      } else {
        EXPECT_LE(h.top + h.height, strip->Height()) << h.top;
        EXPECT_GE(h.top, strip->Height() - h.height - 8) << h.top;
      }
    }
    EXPECT_LE(right, strip->Width());
    EXPECT_EQ(strip->PageAreaHeight(), strip->Height() - strip->HeaderHeight() - 4);
  }
  // Longer captions, wider headers.
  int32_t before = strip->HeaderRect(0).width;
  strip->SetCaption(0, "一个很长很长的标签标题");
  EXPECT_GT(strip->HeaderRect(0).width, before);
  EXPECT_EQ(strip->HeaderRect(9).width, 0);  // no such header
}

}  // namespace
}  // namespace qv::test
