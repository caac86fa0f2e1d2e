#include "platform/win32/module/picture_window.h"

#include <cstdint>
#include <string>

#include "platform/win32/module/module_runtime.h"
#include "platform/win32/module/picture.h"

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

// A window class registered by a DLL outlives an unload of the DLL. The class name holds the
// module's address, so a module loaded again elsewhere registers a class of its own instead of
// finding one whose window procedure is gone.
const wchar_t* pictureClass() {
    static const std::wstring name = [] {
        const HINSTANCE module = module_runtime::instance();
        std::wstring text =
            L"velko_foxpro_picture_" + std::to_wstring(reinterpret_cast<uintptr_t>(module));
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = pictureProcedure;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = text.c_str();
        RegisterClassExW(&windowClass);
        return text;
    }();
    return name.c_str();
}

}  // namespace

std::unique_ptr<PictureWindow> PictureWindow::create(HWND parent, const RECT& position,
                                                     bool visible) {
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    const HWND handle =
        CreateWindowExW(0, pictureClass(), L"velko_foxpro", style, position.left, position.top,
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
