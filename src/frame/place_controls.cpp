#include "app/arith.h"
#include "app/globals.h"
#include "browser/tabs.h"
#include "frame/caption_bar.h"
#include "frame/layout.h"
#include "frame/status_strip.h"

namespace qv {
namespace {

int64_t ClientW() { return g->main.window->ClientWidth(); }
int64_t ClientH() { return g->main.window->ClientHeight(); }

}  // namespace

// Later steps read geometry the earlier ones have just written: the order
// matters. Sums are taken in 64 bits so a hostile window size saturates.
void PlaceControls() {
  MainForm& f = g->main;
  const FrameMarginsRecord& m = g->FrameMargins;

  f.DrawPanel_Border->SetRect(Rect{0, 0, Sat32(ClientW()), Sat32(ClientH())});

  Control* title = f.Label_Title;
  title->SetLeft(m.Left);
  title->SetTop(m.Top);
  title->SetWidth(Sat32(ClientW() - m.Left - m.Right));

  Control* toolbar = f.Label_ToolbarBack;
  toolbar->SetLeft(m.Left);
  toolbar->SetTop(Sat32(int64_t{m.Top} + title->Height()));
  toolbar->SetWidth(Sat32(ClientW() - m.Left - m.Right - 1));

  TabStrip* strip = f.PageControl_Pages;
  strip->SetHeaderSide(g->TabBarPosition);
  // The rectangle is the same for tabs at the top and at the bottom; other
  // sides are not laid out.
  if (strip->HeaderSide() <= 1) {
    Rect s;
    s.left = m.Left;
    s.top = Sat32(int64_t{m.Top} + title->Height() + toolbar->Height());
    s.width = Sat32(ClientW() - m.Left - m.Right - 1);
    s.height = Sat32(ClientH() - m.Top - m.Bottom - title->Height() - toolbar->Height() - 1);
    strip->SetRect(s);
  }

  // Each greyed or alternative button shares its twin's place.
  f.PicBtn_BackDisabled->SetLeft(f.PicBtn_Back->Left());
  f.PicBtn_BackDisabled->SetTop(f.PicBtn_Back->Top());
  f.PicBtn_ForwardDisabled->SetLeft(f.PicBtn_Forward->Left());
  f.PicBtn_ForwardDisabled->SetTop(f.PicBtn_Forward->Top());
  f.PicBtn_Stop->SetLeft(f.PicBtn_Refresh->Left());
  f.PicBtn_Stop->SetTop(f.PicBtn_Refresh->Top());

  // The address field's background: left cap, stretched middle, right cap.
  Control* back1 = f.Label_AddressBack1;
  Control* back2 = f.Label_AddressBack2;
  Control* back3 = f.Label_AddressBack3;
  int32_t backTop = Sat32(int64_t{m.Top} + title->Height() + 1);
  back1->SetTop(backTop);
  back2->SetTop(backTop);
  back3->SetTop(backTop);
  back1->SetLeft(Sat32(int64_t{f.PicBtn_Refresh->Left()} + f.PicBtn_Refresh->Width() + 3));
  back2->SetLeft(Sat32(int64_t{back1->Left()} + back1->Width()));
  back2->SetWidth(Sat32(ClientW() - back1->Left() - back1->Width() - f.PicBtn_Go->Width() -
                        f.PicBtn_Config->Width() - 23));
  back3->SetLeft(Sat32(int64_t{back2->Left()} + back2->Width()));

  EditBox* edit = f.EditBox_Address;
  edit->SetLeft(Sat32(int64_t{back1->Left()} + 6));
  edit->SetWidth(Sat32(int64_t{back2->Width()} + 14));
  f.PicBtn_Go->SetLeft(Sat32(int64_t{back3->Left()} + back3->Width() + 2));
  f.PicBtn_Config->SetLeft(Sat32(int64_t{f.PicBtn_Go->Left()} + f.PicBtn_Go->Width() + 1));

  // The progress text sits inside the right end of the address box.
  Control* progress = f.TransLabel_LoadProgress;
  progress->SetLeft(
      Sat32(int64_t{edit->Left()} + edit->Width() - progress->Width() - 3));
  progress->SetTop(Sat32(int64_t{edit->Top()} + 4));

  PlaceCaptionButtons();
  FitTabView(g->CurrentTab);
  PlaceStatusStrip();
}

// The buttons' tops are never changed; they lie over the right end of the
// caption label.
void PlaceCaptionButtons() {
  MainForm& f = g->main;
  int64_t w = ClientW();
  Control* closeTab = f.PicBtn_CloseCurrentTab;
  Control* exit = f.PicBtn_Exit;
  if (TabCount() == 1) {
    closeTab->Hide();
    exit->SetLeft(Sat32(w - exit->Width() - g->FrameMargins.Right));
  } else {
    closeTab->Show();
    closeTab->SetLeft(Sat32(w - closeTab->Width() - g->FrameMargins.Right));
    exit->SetLeft(Sat32(int64_t{closeTab->Left()} - exit->Width() - 3));
  }
  Control* maximize = f.PicBtn_Maximize;
  maximize->SetLeft(Sat32(int64_t{exit->Left()} - maximize->Width()));
  f.PicBtn_Restore->SetLeft(maximize->Left());
  f.PicBtn_Restore->SetTop(maximize->Top());
  f.PicBtn_Minimize->SetLeft(Sat32(int64_t{maximize->Left()} - f.PicBtn_Minimize->Width()));
  if (IsMaximized(*f.window)) {
    f.PicBtn_Restore->Show();
    maximize->Hide();
  } else {
    f.PicBtn_Restore->Hide();
    maximize->Show();
  }
}

}  // namespace qv
