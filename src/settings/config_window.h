// The configuration window.
#pragma once

#include "platform/types.h"

namespace qv {

void OnConfigClick();  // PicBtn_Config: loads ConfigWindow
void OnConfigWindowCreated();
void OnTabPosSelected(int32_t index);
void OnHomeSelected();
void OnSaveHomeClick();
void OnCheckUpdateClick();
void OnSuggestClick();
void ShowConfigPage(int32_t page);

// ComboBox_Home's entries and the address each stands for.
inline constexpr char kHomeEntryQuorviSearch[] = "Quorvi搜";
inline constexpr char kHomeEntryTamselSearch[] = "Tamsel搜";
inline constexpr char kHomeEntryDirectory[] = "网址导航";
inline constexpr char kHomeEntryCustom[] = "自定义。。";
inline constexpr char kQuorviSearchPage[] = "http://www.baidu.com/";
inline constexpr char kTamselSearchPage[] = "http://www.sogou.com/";

}  // namespace qv
