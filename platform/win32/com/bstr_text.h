#pragma once

#include <ole2.h>
#include <windows.h>

#include "control/text.h"

namespace velko::win32 {

// Automation strings and the control's text hold the same UTF-16 code units. A null BSTR is an
// empty string.
Text textOf(BSTR value);
// A new BSTR the caller frees; throws std::bad_alloc when out of memory.
BSTR newBstr(const Text& text);
// Overwrites *slot with text unless it already holds exactly that text.
void assignBstr(BSTR* slot, const Text& text);

}  // namespace velko::win32
