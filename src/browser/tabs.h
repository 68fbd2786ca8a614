// The tab table: creating, selecting, fitting and closing tabs.
#pragma once

#include "app/globals.h"

namespace qv {

int32_t TabCount();
// Record of tab `index` (1-based); a run-time error when out of range.
TabRecord& TabAt(int32_t index);

int32_t CreateTab();
void OpenInNewTab(const Text& url);
void NavigateTab(const Text& url, int32_t index);
void FitTabView(int32_t index);
void RenumberTabs();

void SelectTab(int32_t index);
void SyncToCurrentTab();
void OnTabSelectionChanged();
Text MakeTabCaption(const Text& title, int32_t page);
Text PadCaption(const Text& text, int32_t n);
void FitTabCaptions();
void PlaceTabButtons();
void DisposeTabView(BrowserView* view);
void CloseTabAt(int32_t page);
void CloseTab(int32_t page);
void OnMainWindowFirstActivated();

// Close entry points.
void OnHeaderRightUp(int32_t page);
void OnTabCloseButtonClick(Control& button);
void OnCloseCurrentTabClick();

// Decimal text of a number, and the tag of a control as a number (0 for a
// text that is not one).
Text DecimalText(int64_t v);
int32_t TagNumber(const Control& c);

}  // namespace qv
