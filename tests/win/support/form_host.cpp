#include "tests/win/support/form_host.h"

#include "tests/win/support/check.h"

namespace velko::wintest {

namespace {

constexpr wchar_t kFormClass[] = L"velko_test_form";

// Wine's container, loaded by name: MinGW has no import library for it.
struct ContainerLibrary {
    BOOL(WINAPI* init)() = nullptr;
    HRESULT(WINAPI* getControl)(HWND, IUnknown**) = nullptr;
    HRESULT(WINAPI* attachControl)(IUnknown*, HWND, IUnknown**) = nullptr;
};

template <typename Function>
void load(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    REQUIRE(function != nullptr);
}

const ContainerLibrary& container() {
    static const ContainerLibrary loaded = [] {
        ContainerLibrary result;
        const HMODULE library = LoadLibraryW(L"atl.dll");
        REQUIRE(library != nullptr);
        load(library, "AtlAxWinInit", result.init);
        load(library, "AtlAxGetControl", result.getControl);
        load(library, "AtlAxAttachControl", result.attachControl);
        REQUIRE(result.init());

        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = DefWindowProcW;
        form.hInstance = GetModuleHandleW(nullptr);
        form.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        form.lpszClassName = kFormClass;
        REQUIRE(RegisterClassExW(&form) != 0);
        return result;
    }();
    return loaded;
}

bool quitByLimit = false;

void CALLBACK limitReached(HWND, UINT, UINT_PTR, DWORD) {
    quitByLimit = true;
    PostQuitMessage(1);
}

}  // namespace

FormHost::FormHost(const wchar_t* content, SIZE size) {
    container();
    form_ = CreateWindowExW(0, kFormClass, L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                            150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(form_ != nullptr);
    site_ = CreateWindowExW(0, L"AtlAxWin", content, WS_CHILD | WS_VISIBLE, 0, 0, size.cx, size.cy,
                            form_, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(site_ != nullptr);
}

ComRef<IUnknown> FormHost::control() const {
    ComRef<IUnknown> control;
    container().getControl(site_, control.put());
    return control;
}

HRESULT FormHost::attach(IUnknown& control) {
    ComRef<IUnknown> containerSite;
    return container().attachControl(&control, site_, containerSite.put());
}

void FormHost::destroy() {
    if (form_ != nullptr) DestroyWindow(form_);
    form_ = nullptr;
    site_ = nullptr;
}

bool runMessageLoop(DWORD limitMilliseconds) {
    quitByLimit = false;
    const UINT_PTR limit = SetTimer(nullptr, 0, limitMilliseconds, limitReached);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, limit);
    return !quitByLimit;
}

}  // namespace velko::wintest
