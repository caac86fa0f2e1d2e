#pragma once

#include <windows.h>

namespace velko::wintest {

// A picture in memory: a 32-bit bitmap selected into a device context of its own, for drawing
// into and reading pixels back.
class Snapshot {
  public:
    Snapshot(int width, int height);
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    ~Snapshot();

    HDC dc() const { return dc_; }
    // Copies what the window shows of its client area.
    void copyWindow(HWND window);
    COLORREF pixel(int x, int y) const;

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    const DWORD* bits_ = nullptr;
};

}  // namespace velko::wintest
