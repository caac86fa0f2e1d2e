#include "activex/picture.h"

#include "activex/module_runtime.h"

namespace velko::win32 {

namespace {

// The bitmap resource as it lies in the module: a BITMAPINFO followed by its pixels.
const BITMAPINFO* pictureBitmap() {
    const HINSTANCE module = module_runtime::instance();
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kPictureResource), RT_BITMAP);
    if (resource == nullptr) return nullptr;
    const HGLOBAL loaded = LoadResource(module, resource);
    return loaded == nullptr ? nullptr : static_cast<const BITMAPINFO*>(LockResource(loaded));
}

const void* pixelsOf(const BITMAPINFO& bitmap) {
    const BITMAPINFOHEADER& header = bitmap.bmiHeader;
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1u << header.biBitCount;
    return reinterpret_cast<const BYTE*>(&bitmap) + header.biSize + colours * sizeof(RGBQUAD);
}

}  // namespace

bool paintPicture(HDC dc, const RECT& bounds) {
    const BITMAPINFO* bitmap = pictureBitmap();
    if (bitmap == nullptr) return false;
    RECT box = bounds;
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &box, EDGE_RAISED, BF_RECT);
    const LONG width = bitmap->bmiHeader.biWidth;
    const LONG height = bitmap->bmiHeader.biHeight;
    const int left = static_cast<int>(bounds.left + (bounds.right - bounds.left - width) / 2);
    const int top = static_cast<int>(bounds.top + (bounds.bottom - bounds.top - height) / 2);
    StretchDIBits(dc, left, top, width, height, 0, 0, width, height, pixelsOf(*bitmap), bitmap,
                  DIB_RGB_COLORS, SRCCOPY);
    return true;
}

}  // namespace velko::win32
