#include "activex/registration.h"

#include <olectl.h>

#include <cwchar>
#include <iterator>

#include "activex/module_identity.h"
#include "activex/picture.h"
#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

namespace {

std::wstring guidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

// A 64-bit and a 32-bit module register side by side on 64-bit Windows: the class in the
// registry view of each, the type library as one entry per architecture. The programmatic
// identifier is a single key that both views share.
constexpr bool k64Bit = sizeof(void*) == 8;
constexpr SYSKIND kLibraryKind = k64Bit ? SYS_WIN64 : SYS_WIN32;
constexpr const wchar_t* kLibraryKindKey = k64Bit ? L"win64" : L"win32";
// The view of the other architecture's module. On 32-bit Windows a 32-bit module names the
// 64-bit view, which the system ignores there: the module's own view is the only one.
constexpr REGSAM kOtherView = k64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

std::wstring classKey() { return L"CLSID\\" + guidText(kClassId); }

// As the type library's registry key spells it: major.minor, in hexadecimal.
std::wstring libraryVersion() {
    wchar_t text[12];
    swprintf(text, std::size(text), L"%x.%x", kLibraryMajorVersion, kLibraryMinorVersion);
    return text;
}

std::wstring libraryEntryKey() {
    return L"TypeLib\\" + guidText(kLibraryId) + L"\\" + libraryVersion() + L"\\0\\" +
           kLibraryKindKey;
}

bool setValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LSTATUS status = RegSetValueExW(handle, name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool writeClassKeys(const std::wstring& modulePath) {
    const std::wstring clsid = classKey();
    return setValue(clsid, nullptr, kClassName) &&
           setValue(clsid + L"\\InprocServer32", nullptr, modulePath) &&
           setValue(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
           setValue(clsid + L"\\Control", nullptr, L"") &&
           setValue(clsid + L"\\MiscStatus", nullptr, L"0") &&
           setValue(clsid + L"\\MiscStatus\\1", nullptr, std::to_wstring(kMiscStatus)) &&
           setValue(clsid + L"\\ToolboxBitmap32", nullptr,
                    modulePath + L", " + std::to_wstring(kPictureResource)) &&
           setValue(clsid + L"\\TypeLib", nullptr, guidText(kLibraryId)) &&
           setValue(clsid + L"\\Version", nullptr, libraryVersion()) &&
           setValue(clsid + L"\\ProgID", nullptr, kProgId) &&
           setValue(kProgId, nullptr, kClassName) &&
           setValue(std::wstring(kProgId) + L"\\CLSID", nullptr, guidText(kClassId));
}

bool deleteTree(const std::wstring& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool keyExists(const std::wstring& key, REGSAM view = 0) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &handle) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

}  // namespace

HRESULT registerModule(const std::wstring& modulePath) {
    ComRef<ITypeLib> library;
    std::wstring path = modulePath;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put())) ||
        FAILED(RegisterTypeLib(library.get(), path.data(), nullptr))) {
        return SELFREG_E_TYPELIB;
    }
    if (!writeClassKeys(modulePath)) {
        unregisterModule();
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

HRESULT unregisterModule() {
    // The programmatic identifier stays while the other architecture's module still registers
    // the class, so that its hosts still find the control by name.
    const bool classGone =
        deleteTree(classKey()) && (keyExists(classKey(), kOtherView) || deleteTree(kProgId));
    UnRegisterTypeLib(kLibraryId, kLibraryMajorVersion, kLibraryMinorVersion, LANG_NEUTRAL,
                      kLibraryKind);
    if (!classGone) return SELFREG_E_CLASS;
    return keyExists(libraryEntryKey()) ? SELFREG_E_TYPELIB : S_OK;
}

}  // namespace velko::win32
