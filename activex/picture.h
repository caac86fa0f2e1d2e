#pragma once

#include <windows.h>

namespace velko::win32 {

// The control's picture on a form: a raised box of the button face colour with the module's
// bitmap (resource kPictureResource, also the toolbox picture) in its middle.
inline constexpr int kPictureResource = 1;
// The size a new control asks for, in pixels.
inline constexpr SIZE kPictureDefaultSize = {28, 28};

// Paints the picture into bounds; false when the bitmap resource cannot be read.
bool paintPicture(HDC dc, const RECT& bounds);

}  // namespace velko::win32
