// The toolbar's navigation buttons and the twin-button updates.
#pragma once

namespace qv {

void OnBackClick();
void OnForwardClick();
void OnHomeClick();
void OnFavoritesClick();
void OnRefreshClick();
void OnStopClick();
void OnNewTabClick();
void OnGoClick();

void UpdateLoadButtons();
void UpdateHistoryButtons();

}  // namespace qv
