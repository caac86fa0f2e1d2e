#include "activex/registration.h"

#include <olectl.h>

#include "activex/module_identity.h"
#include "activex/picture.h"
#include "activex/registry_entries.h"
#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

namespace {

using registry::Architecture;

static_assert(registry::kMiscStatus == kMiscStatus);
static_assert(registry::kToolboxPicture == kPictureResource);
static_assert(registry::kLibraryMajorVersion == kLibraryMajorVersion &&
              registry::kLibraryMinorVersion == kLibraryMinorVersion);

// A 64-bit and a 32-bit module register side by side on 64-bit Windows, each in the registry
// view of its architecture; the programmatic identifier and the type library's key are shared.
constexpr bool k64Bit = sizeof(void*) == 8;
constexpr Architecture kArchitecture = k64Bit ? Architecture::x64 : Architecture::x86;
constexpr Architecture kOtherArchitecture = k64Bit ? Architecture::x86 : Architecture::x64;
// The view of the other architecture's module. On 32-bit Windows a 32-bit module names the
// 64-bit view, which the system ignores there: a read in it reads the module's own view.
constexpr REGSAM kOtherView = k64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// The table's texts are ASCII.
std::wstring wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring guidText(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

// The table names the identifiers this module was built with.
bool tableMatchesModule() {
    return wide(registry::kClassId) == guidText(kClassId) &&
           wide(registry::kLibraryId) == guidText(kLibraryId) &&
           wide(registry::kDualInterfaceId) == guidText(kDualInterfaceId) &&
           wide(registry::kEventInterfaceId) == guidText(kEventInterfaceId) &&
           wide(registry::kProgId) == kProgId && wide(registry::kClassName) == kClassName;
}

// The entry's value with the module's path in place of the placeholder.
std::wstring valueFor(const std::string& value, const std::wstring& modulePath) {
    const registry::AroundModule parts = registry::aroundModule(value);
    if (!parts.after) return wide(parts.before);
    return wide(parts.before) + modulePath + wide(*parts.after);
}

bool write(const registry::Entry& entry, const std::wstring& modulePath) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, wide(entry.key).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LSTATUS status = ERROR_SUCCESS;
    if (entry.value) {
        const std::wstring name = wide(entry.name);
        const std::wstring value = valueFor(*entry.value, modulePath);
        status = RegSetValueExW(handle, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool deleteTree(const std::string& key) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, wide(key).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool keyExists(const std::string& key, REGSAM view = 0) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, wide(key).c_str(), 0, KEY_READ | view, &handle) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

// A key that is missing has none.
bool hasSubkeys(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, wide(key).c_str(), 0, KEY_READ, &handle) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD subkeys = 0;
    const LSTATUS status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS && subkeys > 0;
}

// The module's type library answers for the identifiers the registry gives it.
bool libraryLoads(const std::wstring& modulePath) {
    ComRef<ITypeLib> library;
    TLIBATTR* attributes = nullptr;
    if (FAILED(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library.put())) ||
        FAILED(library->GetLibAttr(&attributes))) {
        return false;
    }
    const bool same = IsEqualGUID(attributes->guid, kLibraryId) &&
                      attributes->wMajorVerNum == kLibraryMajorVersion &&
                      attributes->wMinorVerNum == kLibraryMinorVersion;
    library->ReleaseTLibAttr(attributes);
    return same;
}

}  // namespace

HRESULT registerModule(const std::wstring& modulePath) {
    if (!tableMatchesModule() || !libraryLoads(modulePath)) return SELFREG_E_TYPELIB;
    for (const registry::Entry& entry : registry::entries(kArchitecture)) {
        if (!write(entry, modulePath)) {
            unregisterModule();
            return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

HRESULT unregisterModule() {
    bool removed = deleteTree(registry::classKey());
    for (const std::string& key : registry::interfaceKeys()) removed = deleteTree(key) && removed;
    // The type library's keys stay while they hold the other architecture's entry: each
    // version's key for as long as its own does, the library's key while any version's is left.
    // The programmatic identifier stays while the other architecture's module registers the
    // class, so that its hosts still find the control by name. Asked only once this module's
    // class is gone: where there is no other view (32-bit Windows), the question reads this
    // module's own view, and a class left there (its removal failed) keeps the identifier with
    // it.
    for (const std::string& version : registry::libraryVersions()) {
        removed = deleteTree(registry::libraryKindKey(kArchitecture, version)) && removed;
        if (!keyExists(registry::libraryKindKey(kOtherArchitecture, version))) {
            removed = deleteTree(registry::libraryVersionKey(version)) && removed;
        }
    }
    if (!hasSubkeys(registry::libraryKey()))
        removed = deleteTree(registry::libraryKey()) && removed;
    if (!keyExists(registry::classKey(), kOtherView)) {
        removed = deleteTree(registry::progIdKey()) && removed;
    }
    return removed ? S_OK : SELFREG_E_CLASS;
}

}  // namespace velko::win32
