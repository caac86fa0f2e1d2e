#include "tests/win/support/module_files.h"

#include <windows.h>

namespace velko::wintest {

std::wstring modulePath() {
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder(program, length);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + L"velko_fox.ocx";
}

}  // namespace velko::wintest
