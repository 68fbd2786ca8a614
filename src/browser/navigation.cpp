#include "browser/navigation.h"

#include "app/constants.h"
#include "app/globals.h"
#include "browser/tabs.h"

namespace qv {
namespace {

TabRecord& Current() { return TabAt(g->CurrentTab); }

}  // namespace

void OnBackClick() {
  Current().browser->GoBack();
  UpdateHistoryButtons();
}

void OnForwardClick() {
  Current().browser->GoForward();
  UpdateHistoryButtons();
}

// Home and favourites go to the view directly: the address box follows when
// the view reports the completed navigation.
void OnHomeClick() { Current().browser->Navigate(g->HomePage); }

void OnFavoritesClick() { Current().browser->Navigate(kDefaultHomePage); }

void OnRefreshClick() {
  Current().browser->Refresh();
  Current().isLoading = 1;
  UpdateLoadButtons();
  UpdateHistoryButtons();
}

void OnStopClick() {
  Current().browser->Stop();
  Current().isLoading = 0;
  UpdateLoadButtons();
  UpdateHistoryButtons();
}

void OnNewTabClick() { OpenInNewTab(kDefaultHomePage); }

void OnGoClick() { OpenInNewTab(g->main.EditBox_Address->GetText()); }

void UpdateLoadButtons() {
  MainForm& f = g->main;
  if (Current().isLoading == 1) {
    f.PicBtn_Stop->Show();
    f.PicBtn_Refresh->Hide();
    f.TransLabel_LoadProgress->Show();
  } else {
    f.PicBtn_Stop->Hide();
    f.PicBtn_Refresh->Show();
    f.TransLabel_LoadProgress->Hide();
  }
}

void UpdateHistoryButtons() {
  if (g->CurrentTab < 1 || g->CurrentTab > TabCount()) return;
  MainForm& f = g->main;
  const TabRecord& rec = Current();
  if (rec.canGoForward == 1) {
    f.PicBtn_Forward->Show();
    f.PicBtn_ForwardDisabled->Hide();
  } else {
    f.PicBtn_ForwardDisabled->Show();
    f.PicBtn_Forward->Hide();
  }
  if (rec.canGoBack == 1) {
    f.PicBtn_Back->Show();
    f.PicBtn_BackDisabled->Hide();
  } else {
    f.PicBtn_BackDisabled->Show();
    f.PicBtn_Back->Hide();
  }
}

}  // namespace qv
