#include "activex/registry_entries.h"

namespace velko::registry {

namespace {

// The control category: hosts list the classes that implement it as controls.
constexpr std::string_view kControlCategory = "{40FC6ED4-2438-11CF-A3DB-080036F12502}";
// The system's proxies for automation interfaces: a dual interface's and a dispatch interface's.
constexpr std::string_view kDualProxy = "{00020424-0000-0000-C000-000000000046}";
constexpr std::string_view kDispatchProxy = "{00020420-0000-0000-C000-000000000046}";
constexpr std::string_view kLibraryHelpString = "velko";
// LIBFLAG_FCONTROL: the library describes controls.
constexpr std::string_view kLibraryFlags = "2";

// As the registry spells a library version: major.minor, in hexadecimal.
std::string libraryVersion(int minor) {
    constexpr char digits[] = "0123456789abcdef";
    static_assert(kLibraryMajorVersion < 16 && kLibraryMinorVersion < 16);
    return {digits[kLibraryMajorVersion], '.', digits[minor]};
}

std::string libraryVersion() { return libraryVersion(kLibraryMinorVersion); }

std::string text(std::string_view view) { return std::string(view); }

void addInterface(std::vector<Entry>& entries, std::string_view id, std::string_view name,
                  std::string_view proxy) {
    const std::string key = "Interface\\" + text(id);
    entries.push_back({key, "", text(name)});
    entries.push_back({key + "\\ProxyStubClsid", "", text(proxy)});
    entries.push_back({key + "\\ProxyStubClsid32", "", text(proxy)});
    entries.push_back({key + "\\TypeLib", "", text(kLibraryId)});
    entries.push_back({key + "\\TypeLib", "Version", libraryVersion()});
}

}  // namespace

std::string classKey() { return "CLSID\\" + text(kClassId); }

std::string progIdKey() { return text(kProgId); }

std::string libraryKey() { return "TypeLib\\" + text(kLibraryId); }

std::vector<std::string> libraryVersions() {
    std::vector<std::string> versions;
    for (int minor = 0; minor <= kLibraryMinorVersion; ++minor) {
        versions.push_back(libraryVersion(minor));
    }
    return versions;
}

std::string libraryVersionKey(const std::string& version) { return libraryKey() + "\\" + version; }

std::string libraryKindKey(Architecture architecture, const std::string& version) {
    return libraryVersionKey(version) + "\\0\\" +
           (architecture == Architecture::x64 ? "win64" : "win32");
}

std::vector<std::string> interfaceKeys() {
    return {"Interface\\" + text(kDualInterfaceId), "Interface\\" + text(kEventInterfaceId)};
}

std::vector<Entry> entries(Architecture architecture) {
    const std::string module = text(kModulePlaceholder);
    const std::string clsid = classKey();
    std::vector<Entry> entries = {
        {clsid, "", text(kClassName)},
        {clsid + "\\InprocServer32", "", module},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\Control", "", std::nullopt},
        {clsid + "\\Implemented Categories\\" + text(kControlCategory), "", std::nullopt},
        {clsid + "\\MiscStatus", "", "0"},
        {clsid + "\\MiscStatus\\1", "", std::to_string(kMiscStatus)},
        {clsid + "\\ToolboxBitmap32", "", module + ", " + std::to_string(kToolboxPicture)},
        {clsid + "\\TypeLib", "", text(kLibraryId)},
        {clsid + "\\Version", "", libraryVersion()},
        {clsid + "\\ProgID", "", text(kProgId)},
        {progIdKey(), "", text(kClassName), true},
        {progIdKey() + "\\CLSID", "", text(kClassId), true},
    };
    for (const std::string& version : libraryVersions()) {
        const std::string library = libraryVersionKey(version);
        entries.push_back({library, "", text(kLibraryHelpString), true});
        entries.push_back({library + "\\FLAGS", "", text(kLibraryFlags), true});
        entries.push_back({libraryKindKey(architecture, version), "", module});
    }
    addInterface(entries, kDualInterfaceId, "_velko_foxpro", kDualProxy);
    addInterface(entries, kEventInterfaceId, "__velko_foxpro", kDispatchProxy);
    return entries;
}

}  // namespace velko::registry
