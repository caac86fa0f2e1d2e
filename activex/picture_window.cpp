#include "activex/picture_window.h"

#include "activex/module_runtime.h"
#include "activex/picture.h"
#include "platform/win32/runtime/window_class.h"

namespace velko::win32 {

namespace {

LRESULT CALLBACK pictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            paintPicture(dc, client);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(window, &client);
            paintPicture(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

constexpr wchar_t kPictureClassName[] = L"velko_foxpro_picture";

}  // namespace

std::unique_ptr<PictureWindow> PictureWindow::create(HWND parent, const RECT& position,
                                                     bool visible) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = pictureProcedure;
    windowClass.hInstance = module_runtime::instance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPictureClassName;
    if (!registerWindowClass(windowClass)) return nullptr;
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    const HWND handle =
        CreateWindowExW(0, kPictureClassName, L"velko_foxpro", style, position.left, position.top,
                        position.right - position.left, position.bottom - position.top, parent,
                        nullptr, module_runtime::instance(), nullptr);
    if (handle == nullptr) return nullptr;
    return std::unique_ptr<PictureWindow>(new PictureWindow(handle));
}

PictureWindow::~PictureWindow() { DestroyWindow(handle_); }

void PictureWindow::place(const RECT& position) {
    MoveWindow(handle_, position.left, position.top, position.right - position.left,
               position.bottom - position.top, TRUE);
}

void PictureWindow::show(bool visible) { ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE); }

}  // namespace velko::win32
