#include "tools/win/com_failure.h"

#include <cstdio>
#include <iostream>

#include "control/runtime_error.h"

namespace velko::tools::win {

namespace {

std::string describe(const std::string& what, HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return what + " failed: " + code;
}

}  // namespace

ComFailure::ComFailure(const std::string& what, HRESULT result)
    : std::runtime_error(describe(what, result)) {}

std::u16string messageOf(HRESULT result) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message(reinterpret_cast<const char16_t*>(text), length);
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) {
        message.pop_back();
    }
    return message;
}

void fail(HRESULT result) { throw RuntimeError(result, messageOf(result)); }

int reportingComFailure(const std::function<int()>& run) {
    try {
        return run();
    } catch (const ComFailure& failure) {
        std::cerr << "velko: " << failure.what() << '\n';
        return 1;
    }
}

}  // namespace velko::tools::win
