// The configuration window.
#pragma once

namespace qv {

void OnConfigClick();  // PicBtn_Config: loads ConfigWindow

}  // namespace qv
