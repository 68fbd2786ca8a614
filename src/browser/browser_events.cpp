#include "browser/browser_events.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/globals.h"
#include "browser/address_box.h"
#include "browser/navigation.h"
#include "browser/tabs.h"
#include "frame/status_strip.h"

namespace qv {
namespace {

constexpr double kZero = 1e-7;

// The sender's tab, or 0 when its tag names no tab in the table.
int32_t TabOf(const BrowserView& sender) {
  int32_t t = TagNumber(sender);
  return t >= 1 && t <= TabCount() ? t : 0;
}

void ShowRefreshButton() {
  g->main.PicBtn_Refresh->Show();
  g->main.PicBtn_Stop->Hide();
  UpdateHistoryButtons();
}

}  // namespace

void BindBrowserEvents(BrowserView& view) {
  BrowserHandlers& h = view.browserHandlers;
  h.beforeNavigate2 = [](BrowserView&) {};  // navigation is never cancelled
  h.newWindow2 = &OnNewWindow2;
  h.navigateComplete2 = &OnNavigateComplete2;
  h.downloadBegin = &OnDownloadBegin;
  h.progressChange = &OnProgressChange;
  h.downloadComplete = &OnDownloadComplete;
  h.statusTextChange = &OnStatusTextChange;
  h.titleChange = &OnTitleChange;
  h.commandStateChange = &OnCommandStateChange;
}

void OnNewWindow2(BrowserView&, NewWindowTarget& target) { NewWindowToTab(target); }

void OnNavigateComplete2(BrowserView& sender, const Text& url) {
  int32_t t = TabOf(sender);
  if (t == 0) return;
  if (IsRealAddress(t, url) == 1) {
    g->main.EditBox_Address->SetText(url);
    g->main.window->SetCaption(sender.LocationName());
  }
  ShowRefreshButton();
}

void OnDownloadBegin(BrowserView& sender) {
  int32_t t = TabOf(sender);
  if (t == 0) return;
  if (t == g->CurrentTab) {
    g->main.PicBtn_Refresh->Hide();
    g->main.PicBtn_Stop->Show();
  } else {
    TabAt(t).isLoading = 1;
  }
  UpdateHistoryButtons();
}

void OnProgressChange(BrowserView&, int32_t progress, int32_t maximum) {
  ShowProgress(progress, maximum);
}

void OnDownloadComplete(BrowserView& sender) {
  if (TabOf(sender) == 0) return;
  ShowRefreshButton();
}

void OnStatusTextChange(BrowserView& sender, const Text& text) {
  int32_t t = TabOf(sender);
  if (t == 0) return;
  ShowStatusText(t, text);
}

void OnTitleChange(BrowserView& sender, const Text& title) {
  int32_t t = TabOf(sender);
  if (t == 0) return;
  ShowTitle(t, title);
}

void OnCommandStateChange(BrowserView& sender, int32_t command, bool enable) {
  int32_t t = TabOf(sender);
  if (t == 0) return;
  if (command == 1) TabAt(t).canGoForward = enable ? 1 : 0;
  if (command == 2) TabAt(t).canGoBack = enable ? 1 : 0;
}

void NewWindowToTab(NewWindowTarget& target) {
  int32_t i = CreateTab();
  SelectTab(i);
  FitTabView(i);
  if (i <= TabCount() && TabAt(i).browser != nullptr) target.Accept(*TabAt(i).browser);
  g->platform->PumpPendingMessages();
}

Text FormatPercent(double d) {
  // Half away from zero on the tenths.
  long long tenths = std::llround(d * 10.0);
  long long magnitude = std::llabs(tenths);
  Text out = tenths < 0 ? "-" : "";
  out += std::to_string(magnitude / 10);
  out += '.';
  out += static_cast<char>('0' + magnitude % 10);
  out += '%';
  return out;
}

void ShowProgress(int32_t progress, int32_t maximum) {
  double d = 100.0 * progress / maximum;
  Control* label = g->main.TransLabel_LoadProgress;
  if (std::isnan(d) || std::fabs(d) <= kZero) {
    label->Hide();
    return;
  }
  if (d > kZero && d - 100 <= kZero) {
    label->SetText(FormatPercent(d));
    label->Show();
  }
}

void TickProgressLabel() {
  Control* label = g->main.TransLabel_LoadProgress;
  Text text = RemoveBlanks(label->GetText());
  if (text == "100.0%" || (text.empty() && label->IsVisible()))
    label->Hide();
  else
    label->Redraw();
}

void ShowStatusText(int32_t t, const Text& text) {
  StatusForm& s = g->status;
  if (s.window == nullptr || s.Timer_Fade == nullptr || s.Timer_Fade->Period() != 0) return;
  if (t == g->CurrentTab) {
    if (text == "Done" || text == "完毕" || text.empty()) {
      if (s.window->IsVisible()) FadeOutStatusStrip();
      return;
    }
    s.Label_StatusText->SetText(text);
    if (!s.window->IsVisible()) FadeInStatusStrip();
  }
  OnTabSelectionChanged();
}

void ShowTitle(int32_t t, const Text& title) {
  MainForm& f = g->main;
  if (t == g->CurrentTab) {
    f.Label_Title->SetText(title);
    f.window->SetCaption(f.Label_Title->GetText());
  }
  Text caption = MakeTabCaption(title, t - 1);
  f.PageControl_Pages->SetCaption(t - 1, caption);
  OnTabSelectionChanged();
}

}  // namespace qv
