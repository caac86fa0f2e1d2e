#include "platform/win32/runtime/window_class.h"

namespace velko::win32 {

bool registerWindowClass(const WNDCLASSEXW& windowClass) {
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace velko::win32
