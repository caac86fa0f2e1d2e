#pragma once

#include <string>

namespace velko::win32 {

// UTF-8 to the system's wide text and back, for the names and values the system keeps wide.
std::wstring wideFromUtf8(const std::string& utf8);
std::string utf8FromWide(const std::wstring& text);

}  // namespace velko::win32
