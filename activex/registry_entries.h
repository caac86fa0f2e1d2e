#pragma once

// The registry entries that register the control: the class, its programmatic identifier, its
// type library and the library's interfaces. One table serves the module's self-registration
// (registration.cpp) and the Windows Installer packages, whose entries a Linux program generates
// from it at build time (tools/msi/), so that both write the same keys and values. Hence no
// Windows header here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velko::registry {

// Every key lies below HKEY_CLASSES_ROOT, in the registry view of the module's architecture.
struct Entry {
    std::string key;
    // The value's name; empty for the key's default value.
    std::string name;
    // A text value, in which kModulePlaceholder stands for the module's full path; no value
    // means the key alone.
    std::optional<std::string> value;
    // On 64-bit Windows one key serves both architectures' registrations.
    bool shared = false;
};

enum class Architecture { x86, x64 };

inline constexpr std::string_view kModulePlaceholder = "[module]";

// A value's text before kModulePlaceholder and, when it holds it, after it: each writer of the
// entries puts the module's path between them in its own form.
struct AroundModule {
    std::string_view before;
    std::optional<std::string_view> after;
};
constexpr AroundModule aroundModule(std::string_view value) {
    const size_t at = value.find(kModulePlaceholder);
    if (at == std::string_view::npos) return {value, std::nullopt};
    return {value.substr(0, at), value.substr(at + kModulePlaceholder.size())};
}

inline constexpr std::string_view kProgId = "velko_for_fox_pro.velko_foxpro";
inline constexpr std::string_view kClassName = "velko_foxpro";
inline constexpr std::string_view kClassId = "{384B0812-9145-44B8-B0AD-528B16D6123E}";
inline constexpr std::string_view kLibraryId = "{A7CD97E8-FEC8-4962-AA3A-E89C347E0DFB}";
inline constexpr std::string_view kDualInterfaceId = "{1962C8F4-93DE-4F26-9067-8FADE1AEBE3F}";
inline constexpr std::string_view kEventInterfaceId = "{4792D7FE-79F7-477F-9FE8-6B4F87B8A0D8}";
// The library's version. Each earlier minor version of the same major one is registered too, at
// the same module: a host built against it finds its library under its own version's key, and
// the library it loads holds everything that version had.
inline constexpr int kLibraryMajorVersion = 1;
inline constexpr int kLibraryMinorVersion = 1;
// The OLEMISC flags the class declares and the resource number of its toolbox picture, as the
// module's own constants give them (registration.cpp checks both).
inline constexpr std::uint32_t kMiscStatus = 0x24591;
inline constexpr int kToolboxPicture = 1;

std::vector<Entry> entries(Architecture architecture);

// The library versions registered, as the registry spells them ("1.0", "1.1"), oldest first.
std::vector<std::string> libraryVersions();

// The keys that hold the entries of one registration: the class's, the interfaces' and the
// type library's entry for the architecture under each version. The programmatic identifier,
// the library's own key and its versions' keys are shared by both architectures' registrations.
std::string classKey();
std::string progIdKey();
std::string libraryKey();
std::string libraryVersionKey(const std::string& version);
std::string libraryKindKey(Architecture architecture, const std::string& version);
std::vector<std::string> interfaceKeys();

}  // namespace velko::registry
