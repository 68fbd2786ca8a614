// GBK (code page 936) byte strings <-> UTF-16 at the system boundary.
#pragma once

#include <string>

#include "platform/types.h"

namespace qv::win32 {

std::wstring Wide(const Text& gbk);
Text Gbk(const std::wstring& wide);
Text Gbk(const wchar_t* wide, size_t length);

}  // namespace qv::win32
