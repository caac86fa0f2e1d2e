#pragma once

#include <windows.h>

#include <memory>

namespace velko::win32 {

// The control's window while it is active in place on a form: a child of the container's
// window that paints the picture. Create and destroy it on the thread that runs the control.
class PictureWindow {
  public:
    // Null when the window could not be created; GetLastError tells why.
    static std::unique_ptr<PictureWindow> create(HWND parent, const RECT& position, bool visible);
    ~PictureWindow();
    PictureWindow(const PictureWindow&) = delete;
    PictureWindow& operator=(const PictureWindow&) = delete;

    HWND handle() const { return handle_; }
    void place(const RECT& position);
    void show(bool visible);

  private:
    explicit PictureWindow(HWND handle) : handle_(handle) {}

    HWND handle_;
};

}  // namespace velko::win32
