#include "browser/tabs.h"

#include "app/arith.h"
#include "app/constants.h"
#include "browser/address_box.h"
#include "browser/navigation.h"
#include "crashguard/run_time_error.h"
#include "frame/layout.h"

namespace qv {

int32_t TabCount() { return static_cast<int32_t>(g->TabTable.size()); }

TabRecord& TabAt(int32_t index) {
  if (index < 1 || index > TabCount())
    RaiseRunTimeError(kErrIndexOutOfRange, "数组成员引用超出范围");
  return g->TabTable[static_cast<size_t>(index - 1)];
}

Text DecimalText(int64_t v) { return std::to_string(v); }

int32_t TagNumber(const Control& c) {
  Text tag = c.GetTag();
  int64_t v = 0;
  size_t i = 0;
  bool negative = !tag.empty() && tag[0] == '-';
  if (negative) i = 1;
  for (; i < tag.size() && tag[i] >= '0' && tag[i] <= '9'; ++i) {
    v = v * 10 + (tag[i] - '0');
    if (v > 0x7FFFFFFF) return 0;
  }
  return static_cast<int32_t>(negative ? -v : v);
}

int32_t CreateTab() {
  MainForm& f = g->main;
  TabRecord rec;
  rec.browser = static_cast<BrowserView*>(f.window->CopyControl(*f.WebBrowser_Template));
  rec.closeButton = f.window->CopyControl(*f.PicBtn_TabClose);
  rec.closeButton->Show();
  g->TabTable.push_back(rec);
  RenumberTabs();
  f.PageControl_Pages->AddPage(kLoadingCaption);
  PlaceCaptionButtons();
  FitTabCaptions();
  return TabCount();
}

void OpenInNewTab(const Text& url) {
  g->TabOpening = 1;
  int32_t index = CreateTab();
  NavigateTab(url, index);
  SelectTab(index);
  FitTabView(index);
  g->TabOpening = 0;
}

void NavigateTab(const Text& url, int32_t index) {
  TabAt(index).browser->Navigate(url);
  g->main.EditBox_Address->SetText(url);
}

void FitTabView(int32_t index) {
  if (index < 1 || index > TabCount()) return;
  TabStrip* strip = g->main.PageControl_Pages;
  int32_t side = strip->HeaderSide();
  if (side != 0 && side != 1) return;
  BrowserView* view = TabAt(index).browser;
  if (view == nullptr) return;
  Rect s = strip->GetRect();
  Rect r;
  r.width = Sat32(int64_t{strip->PageAreaWidth()} + 2);
  r.height = Sat32(int64_t{strip->PageAreaHeight()} + 1);
  r.left = s.left;
  r.top = side == 1 ? s.top : Sat32(int64_t{s.top} + strip->HeaderHeight() + 3);
  view->SetRect(r);
}

void RenumberTabs() {
  for (int32_t k = 1; k <= TabCount(); ++k) {
    TabRecord& rec = TabAt(k);
    if (rec.browser != nullptr) rec.browser->SetTag(DecimalText(k));
    if (rec.closeButton != nullptr) rec.closeButton->SetTag(DecimalText(k - 1));
  }
}

void SelectTab(int32_t index) {
  // Writing the current page may run the whole selection-changed path (and
  // even close a tab) before it returns, so the table is re-read each step.
  for (int32_t k = 1; k <= TabCount(); ++k) {
    if (k == index) {
      g->main.PageControl_Pages->SetCurrentPage(k - 1);
      if (k > TabCount()) break;
      BrowserView* view = TabAt(k).browser;
      if (view != nullptr && !view->IsVisible()) view->Show();
      g->CurrentTab = k;
      PlaceTabButtons();
    } else {
      BrowserView* view = TabAt(k).browser;
      if (view != nullptr && view->IsVisible()) view->Hide();
    }
  }
}

void SyncToCurrentTab() {
  if (g->TabOpening == 1) return;
  TabStrip* strip = g->main.PageControl_Pages;
  SelectTab(strip->CurrentPage() + 1);
  FitTabView(g->CurrentTab);
  if (g->CurrentTab > TabCount()) {
    strip->RemovePage(strip->CurrentPage());
    PlaceTabButtons();
    return;
  }
  // Before the first tab has its view (the start-up window) there is nothing to show.
  if (g->CurrentTab < 1 || TabAt(g->CurrentTab).browser == nullptr) return;
  BrowserView* view = TabAt(g->CurrentTab).browser;
  g->main.window->SetCaption(view->LocationName());
  Text caption = MakeTabCaption(view->LocationName(), g->CurrentTab - 1);
  strip->SetCaption(g->CurrentTab - 1, caption);
  UpdateLoadButtons();
  UpdateHistoryButtons();
  Text url = view->LocationURL();
  if (IsRealAddress(g->CurrentTab, url) == 1) g->main.EditBox_Address->SetText(url);
}

void OnTabSelectionChanged() {
  SyncToCurrentTab();
  PlaceTabButtons();
}

Text PadCaption(const Text& text, int32_t n) {
  if (n < 0) n = 0;
  Text c = text.substr(0, static_cast<size_t>(n));
  while (c.size() <= static_cast<size_t>(n)) c.push_back(' ');
  return c;
}

Text MakeTabCaption(const Text& title, int32_t page) {
  g->main.PageControl_Pages->SetPageTip(page, title);
  int32_t limit = g->TabCaptionLimit;
  Text c;
  if (title.size() < static_cast<size_t>(limit < 0 ? 0 : limit))
    c = PadCaption(title, limit);
  else
    c = title.substr(0, static_cast<size_t>(limit < 0 ? 0 : limit));
  c += "  ";  // room for the close button
  PlaceTabButtons();
  return c;
}

void FitTabCaptions() {
  TabStrip* strip = g->main.PageControl_Pages;
  double w = strip->HeaderRect(0).width;
  double width = strip->Width();
  int32_t n = strip->PageCount();
  if (width - w - w * n >= -1e-7) return;
  int32_t half = Trunc32(g->TabCaptionLimit * 0.5);
  if (half <= 0) return;
  g->TabCaptionLimit = half;
  for (int32_t i = 0; i < n; ++i) strip->SetCaption(i, PadCaption(strip->GetCaption(i), half));
}

void PlaceTabButtons() {
  if (g->TabStripReady == 0) return;
  MainForm& f = g->main;
  TabStrip* strip = f.PageControl_Pages;
  Rect s = strip->GetRect();
  for (int32_t k = 1; k <= TabCount(); ++k) {
    Control* b = TabAt(k).closeButton;
    if (b == nullptr) continue;
    Rect r = strip->HeaderRect(k - 1);
    b->SetLeft(Sat32(int64_t{s.left} + r.left + r.width - b->Width()));
    b->SetTop(Trunc32(double(s.top) + r.top + r.height * 0.5 - b->Height() * 0.5));
  }
  Rect r = strip->HeaderRect(strip->PageCount() - 1);
  Control* nb = f.PicBtn_NewTab;
  nb->SetLeft(Sat32(int64_t{s.left} + r.left + r.width + 5));
  nb->SetTop(Trunc32(double(s.top) + r.top + r.height * 0.5 - nb->Height() * 0.5));
}

void DisposeTabView(BrowserView* view) {
  if (view == nullptr) return;
  view->Stop();
  view->Hide();
  g->main.window->DestroyControl(view);
}

namespace {

// Takes tab k (1-based) out of the table with its view and close button.
void RemoveTabRecord(int32_t k) {
  TabRecord rec = TabAt(k);
  // Stopping the view may raise its events while the tab is still in the
  // table; the record is found again by its view afterwards.
  DisposeTabView(rec.browser);
  if (rec.closeButton != nullptr) g->main.window->DestroyControl(rec.closeButton);
  for (auto it = g->TabTable.begin(); it != g->TabTable.end(); ++it) {
    if (it->browser == rec.browser && it->closeButton == rec.closeButton) {
      g->TabTable.erase(it);
      break;
    }
  }
}

void ResetCaptionLimit() {
  g->TabCaptionLimit = 16;
  FitTabCaptions();
}

}  // namespace

void CloseTabAt(int32_t page) {
  TabStrip* strip = g->main.PageControl_Pages;
  if (page < 0 || page >= strip->PageCount()) return;
  if (page != 0) {
    CloseTab(page);
    return;
  }
  if (strip->PageCount() == 1) {
    BrowserView* view = TabAt(1).browser;
    if (view != nullptr && view->LocationURL() == kDefaultHomePage)
      NavigateTab(kSearchFrontPage, 1);
    else
      NavigateTab(kDefaultHomePage, 1);
    ResetCaptionLimit();
  } else {
    if (TabCount() < 2) return;
    RemoveTabRecord(1);
    TabRecord& first = TabAt(1);
    if (first.browser != nullptr) first.browser->SetTag("1");
    if (first.closeButton != nullptr) first.closeButton->SetTag("0");
    Text c = strip->GetCaption(1);
    strip->RemovePage(1);
    strip->SetCaption(0, c);
    if (strip->PageCount() == 1) ResetCaptionLimit();
  }
  PlaceCaptionButtons();
  OnTabSelectionChanged();
}

void CloseTab(int32_t page) {
  TabStrip* strip = g->main.PageControl_Pages;
  int32_t k = page + 1;
  if (TabCount() == 1) {
    ResetCaptionLimit();
    return;
  }
  if (page < 0 || k > TabCount() || page >= strip->PageCount()) return;
  RemoveTabRecord(k);
  if (k == strip->PageCount() && strip->PageCount() != 1)
    strip->SetCurrentPage(strip->PageCount() - 2);
  strip->RemovePage(page);
  // One tab left: captions go back to full width, as when the first tab closes.
  if (strip->PageCount() == 1) ResetCaptionLimit();
  SyncToCurrentTab();
  PlaceCaptionButtons();
  PlaceTabButtons();
}

void OnMainWindowFirstActivated() {
  g->TabStripReady = 1;
  PlaceTabButtons();
}

void OnHeaderRightUp(int32_t page) {
  CloseTabAt(page);
  RenumberTabs();
}

void OnTabCloseButtonClick(Control& button) {
  int32_t page = TagNumber(button);
  CloseTabAt(page);
  RenumberTabs();
  g->main.window->Redraw();
}

void OnCloseCurrentTabClick() {
  CloseTab(g->main.PageControl_Pages->CurrentPage());
  RenumberTabs();
}

}  // namespace qv
