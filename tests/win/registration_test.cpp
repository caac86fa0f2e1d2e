// What self-registration leaves in the registry, as a program of the module's architecture sees
// it (its registry view): after regsvr32 run `registration_test.exe class_registered
// library_registered interfaces_registered`, after regsvr32 /u `registration_test.exe
// unregistered`, and once no module is registered any more `no_shared_key_left`.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "platform/win32/com/com_ref.h"
#include "tests/win/support/check.h"
#include "tests/win/support/module_files.h"

using velko::win32::ComRef;
using namespace velko::wintest;

namespace {

const std::wstring kClassKey = L"CLSID\\{384B0812-9145-44B8-B0AD-528B16D6123E}";
const std::wstring kProgIdKey = L"velko_for_fox_pro.velko_foxpro";
const std::wstring kLibraryKey = L"TypeLib\\{A7CD97E8-FEC8-4962-AA3A-E89C347E0DFB}";
const std::wstring kDualInterfaceKey = L"Interface\\{1962C8F4-93DE-4F26-9067-8FADE1AEBE3F}";
const std::wstring kEventInterfaceKey = L"Interface\\{4792D7FE-79F7-477F-9FE8-6B4F87B8A0D8}";
constexpr GUID kLibraryId = {
    0xA7CD97E8, 0xFEC8, 0x4962, {0xAA, 0x3A, 0xE8, 0x9C, 0x34, 0x7E, 0x0D, 0xFB}};
constexpr GUID kClassId = {
    0x384B0812, 0x9145, 0x44B8, {0xB0, 0xAD, 0x52, 0x8B, 0x16, 0xD6, 0x12, 0x3E}};
// The library's versions: a host built against 1.0 finds the module under its own version.
const std::wstring kLibraryVersions[] = {L"1.0", L"1.1"};
// The type library's entry for this program's architecture under a version.
std::wstring libraryEntryKey(const std::wstring& version) {
    return kLibraryKey + L"\\" + version + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32");
}

bool keyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

// A string value, or "<missing>".
std::wstring valueOf(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return L"<missing>";
    }
    return buffer;
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    return std::wstring(buffer, length);
}

bool sameFile(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(fullPath(a).c_str(), -1, fullPath(b).c_str(), -1, TRUE) ==
           CSTR_EQUAL;
}

void checkGone(const std::wstring& key, int line) {
    if (keyExists(key)) fail(__FILE__, line, "key left: " + describe(key));
}

}  // namespace

// The class in this program's registry view: an in-process apartment-threaded control of the
// module next to the program, with its library and identifier.
WIN_TEST(class_registered) {
    CHECK(sameFile(valueOf(kClassKey + L"\\InprocServer32"), modulePath()));
    CHECK_EQ(valueOf(kClassKey + L"\\InprocServer32", L"ThreadingModel"),
             std::wstring(L"Apartment"));
    CHECK(keyExists(kClassKey + L"\\Control"));
    CHECK(
        keyExists(kClassKey + L"\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}"));
    CHECK(keyExists(kClassKey + L"\\MiscStatus"));
    CHECK_EQ(valueOf(kClassKey + L"\\TypeLib"),
             std::wstring(L"{A7CD97E8-FEC8-4962-AA3A-E89C347E0DFB}"));
    CHECK_EQ(valueOf(kClassKey + L"\\Version"), std::wstring(L"1.1"));
    CHECK_EQ(valueOf(kClassKey + L"\\ProgID"), kProgIdKey);
    CHECK_EQ(valueOf(kProgIdKey + L"\\CLSID"),
             std::wstring(L"{384B0812-9145-44B8-B0AD-528B16D6123E}"));
    CLSID found{};
    CHECK_HR(CLSIDFromProgID(kProgIdKey.c_str(), &found), S_OK);
    CHECK_EQ(found, kClassId);

    // A toolbox shows the picture that ToolboxBitmap32 names: "module, resource number".
    const std::wstring toolbox = valueOf(kClassKey + L"\\ToolboxBitmap32");
    const size_t comma = toolbox.rfind(L',');
    REQUIRE(comma != std::wstring::npos);
    CHECK(sameFile(toolbox.substr(0, comma), modulePath()));
    const HMODULE file = LoadLibraryExW(modulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    REQUIRE(file != nullptr);
    const auto picture = static_cast<HBITMAP>(LoadImageW(
        file, MAKEINTRESOURCEW(_wtoi(toolbox.c_str() + comma + 1)), IMAGE_BITMAP, 0, 0, 0));
    BITMAP size{};
    CHECK(picture != nullptr && GetObjectW(picture, sizeof size, &size) == sizeof size);
    CHECK_EQ(size.bmWidth, 16);
    CHECK_EQ(size.bmHeight, 15);
    DeleteObject(picture);
    FreeLibrary(file);
}

// The type library's entry for this program's architecture, under each version, is the module
// next to it, and a host asking for either version loads its library, version 1.1.
WIN_TEST(library_registered) {
    for (const std::wstring& version : kLibraryVersions) {
        CHECK(sameFile(valueOf(libraryEntryKey(version)), modulePath()));
        CHECK_EQ(valueOf(kLibraryKey + L"\\" + version), std::wstring(L"velko"));
        CHECK_EQ(valueOf(kLibraryKey + L"\\" + version + L"\\FLAGS"), std::wstring(L"2"));
    }
    for (const WORD minor : {0, 1}) {
        ComRef<ITypeLib> library;
        CHECK_HR(LoadRegTypeLib(kLibraryId, 1, minor, LOCALE_NEUTRAL, library.put()), S_OK);
        TLIBATTR* attributes = nullptr;
        REQUIRE(library && SUCCEEDED(library->GetLibAttr(&attributes)));
        CHECK_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
        CHECK_EQ(attributes->wMinorVerNum, 1);
        library->ReleaseTLibAttr(attributes);
    }
}

WIN_TEST(interfaces_registered) {
    CHECK_EQ(valueOf(kDualInterfaceKey + L"\\TypeLib"),
             std::wstring(L"{A7CD97E8-FEC8-4962-AA3A-E89C347E0DFB}"));
    CHECK_EQ(valueOf(kDualInterfaceKey + L"\\TypeLib", L"Version"), std::wstring(L"1.1"));
    CHECK(keyExists(kEventInterfaceKey));
}

// Nothing of this program's architecture is left in its view.
WIN_TEST(unregistered) {
    checkGone(kClassKey, __LINE__);
    for (const std::wstring& version : kLibraryVersions) {
        checkGone(libraryEntryKey(version), __LINE__);
    }
}

// Nothing is left of the keys both architectures share.
WIN_TEST(no_shared_key_left) {
    for (const std::wstring& key :
         {kProgIdKey, kLibraryKey, kDualInterfaceKey, kEventInterfaceKey}) {
        checkGone(key, __LINE__);
    }
    CLSID found{};
    CHECK(FAILED(CLSIDFromProgID(kProgIdKey.c_str(), &found)));
}

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = runAll(argc, argv, 1);
    CoUninitialize();
    return result;
}
