// Handlers of the browser views' events, titles and load progress.
#pragma once

#include "platform/control.h"

namespace qv {

// Binds the template view's events to the handlers below.
void BindBrowserEvents(BrowserView& view);

void OnNewWindow2(BrowserView& sender, NewWindowTarget& target);
void OnNavigateComplete2(BrowserView& sender, const Text& url);
void OnDownloadBegin(BrowserView& sender);
void OnProgressChange(BrowserView& sender, int32_t progress, int32_t maximum);
void OnDownloadComplete(BrowserView& sender);
void OnStatusTextChange(BrowserView& sender, const Text& text);
void OnTitleChange(BrowserView& sender, const Text& title);
void OnCommandStateChange(BrowserView& sender, int32_t command, bool enable);

void NewWindowToTab(NewWindowTarget& target);
void ShowProgress(int32_t progress, int32_t maximum);
// The label text for a percentage: rounded half away from zero, one decimal.
Text FormatPercent(double d);
void TickProgressLabel();
void ShowStatusText(int32_t t, const Text& text);
void ShowTitle(int32_t t, const Text& title);

}  // namespace qv
