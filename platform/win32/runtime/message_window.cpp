#include "platform/win32/runtime/message_window.h"

#include <system_error>

#include "platform/win32/runtime/window_class.h"

namespace velko::win32 {

namespace {

constexpr UINT kNotification = WM_APP + 1;
constexpr wchar_t kClassName[] = L"velko_win32_message_window";

// The module (program or DLL) that holds this code: its window class is registered under it.
HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

[[noreturn]] void failWithLastError(const char* what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

}  // namespace

MessageWindow::MessageWindow() {
    const HINSTANCE module = thisModule();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MessageWindow::windowProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kClassName;
    if (!registerWindowClass(windowClass)) failWithLastError("RegisterClassExW");
    handle_ =
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
    if (handle_ == nullptr) failWithLastError("CreateWindowExW");
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

// Destroying the window ends its timers.
MessageWindow::~MessageWindow() { DestroyWindow(handle_); }

MessageWindow::Id MessageWindow::subscribe(Handler handler) {
    const Id id = nextId_++;
    handlers_.emplace(id, std::make_shared<Handler>(std::move(handler)));
    return id;
}

void MessageWindow::unsubscribe(Id id) {
    KillTimer(handle_, id);
    handlers_.erase(id);
}

bool MessageWindow::post(Id id) const { return PostMessageW(handle_, kNotification, id, 0) != 0; }

bool MessageWindow::startTimer(Id id, UINT intervalMilliseconds) {
    return SetTimer(handle_, id, intervalMilliseconds, nullptr) != 0;
}

void MessageWindow::stopTimer(Id id) { KillTimer(handle_, id); }

void MessageWindow::run(Id id) {
    const auto found = handlers_.find(id);
    if (found == handlers_.end()) return;
    const std::shared_ptr<Handler> handler = found->second;
    try {
        (*handler)();
    } catch (...) {
        if (failureSlot_ != nullptr && !*failureSlot_) *failureSlot_ = std::current_exception();
    }
}

LRESULT CALLBACK MessageWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && (message == kNotification || message == WM_TIMER)) {
        self->run(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace velko::win32
