#pragma once

#include <string>

namespace velko::wintest {

// The built control module, which lies next to the test programs.
std::wstring modulePath();

}  // namespace velko::wintest
