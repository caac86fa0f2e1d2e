#include "platform/win32/share/desk_mapping.h"

#include <windows.h>
// After windows.h:
#include <sddl.h>
#include <wincrypt.h>

#include <cwchar>
#include <iterator>

#include "control/text.h"
#include "platform/win32/share/wide_text.h"

namespace velko::win32 {

namespace {

// Administrators and the system change the Desk key and its subkeys, users read them; nothing
// else is inherited.
constexpr wchar_t kDeskSecurity[] = L"D:PAI(A;OICI;KA;;;SY)(A;OICI;KA;;;BA)(A;OICI;KR;;;BU)";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\velko_foxpro";
constexpr wchar_t kPasswordDescription[] = L"velko desk password";

std::wstring portKey(int16_t port) {
    return std::wstring(kDeskKey) + L"\\COM" + std::to_wstring(port);
}

class Key {
  public:
    Key() = default;
    ~Key() {
        if (handle_ != nullptr) RegCloseKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &handle_; }
    HKEY get() const { return handle_; }

  private:
    HKEY handle_ = nullptr;
};

[[noreturn]] void refuse(LONG error, const std::string& what) {
    if (error == ERROR_ACCESS_DENIED) {
        throw DeskMappingError(
            "changing the desk mappings needs an administrator: run velko.exe desk from a command "
            "prompt opened with \"Run as administrator\"");
    }
    throw DeskMappingError(what + " failed, error " + std::to_string(error));
}

void check(LONG error, const std::string& what) {
    if (error != ERROR_SUCCESS) refuse(error, what);
}

// A value of the key as text; nothing when it is missing or is no text.
std::optional<std::wstring> stringValue(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > 64 * 1024) {
        return std::nullopt;
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(wcsnlen(text.data(), read / sizeof(wchar_t)));
    return text;
}

std::optional<std::string> password(HKEY key) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Password", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size > 64 * 1024) {
        return std::nullopt;
    }
    std::string blob(size, '\0');
    if (RegQueryValueExW(key, L"Password", nullptr, &type, reinterpret_cast<BYTE*>(blob.data()),
                         &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DATA_BLOB in{size, reinterpret_cast<BYTE*>(blob.data())};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out)) {
        return std::nullopt;
    }
    std::string clear(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return clear;
}

// Creates the Desk key with its security, or gives an existing one that security again.
void createDeskKey() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kDeskSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        refuse(static_cast<LONG>(GetLastError()), "making the key's security");
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    Key desk;
    DWORD disposition = 0;
    LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDeskKey, 0, nullptr, 0,
                                 KEY_WRITE | READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY,
                                 &attributes, desk.out(), &disposition);
    if (error == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY) {
        error = RegSetKeySecurity(desk.get(), DACL_SECURITY_INFORMATION, descriptor);
    }
    LocalFree(descriptor);
    check(error, "creating HKLM\\" + utf8FromWide(kDeskKey));
}

}  // namespace

std::optional<share::ShareMapping> readDeskMapping(int16_t port) {
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, portKey(port).c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      key.out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::string url = utf8FromWide(stringValue(key.get(), L"Url").value_or(L""));
    share::ShareMapping mapping{
        std::nullopt, url.empty() ? u"COM" + decimalText(port) : fromUtf8(url), {}};
    std::string error;
    const auto address = share::parseShareUrl(url, error);
    if (!address) {
        mapping.problem = u"the desk mapping's URL is not a share's: " + fromUtf8(error);
        return mapping;
    }
    std::optional<share::Fingerprint> fingerprint;
    if (const auto text = stringValue(key.get(), L"Fingerprint"); text && !text->empty()) {
        fingerprint = share::parseFingerprint(utf8FromWide(*text));
        if (!fingerprint) {
            mapping.problem = u"the desk mapping's fingerprint is not a SHA-256";
            return mapping;
        }
    }
    auto secret = password(key.get());
    if (!secret) {
        mapping.problem =
            u"the desk mapping's password cannot be read back: map the port again with velko.exe "
            u"desk";
        return mapping;
    }
    mapping.settings = share::ShareSettings{*address, std::move(*secret), fingerprint};
    return mapping;
}

void writeDeskMapping(int16_t port, const share::ShareAddress& address, const std::string& password,
                      const std::optional<share::Fingerprint>& fingerprint) {
    createDeskKey();
    Key key;
    check(RegCreateKeyExW(HKEY_LOCAL_MACHINE, portKey(port).c_str(), 0, nullptr, 0,
                          KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.out(), nullptr),
          "creating HKLM\\" + utf8FromWide(portKey(port)));
    std::string clear = password;
    DATA_BLOB in{static_cast<DWORD>(clear.size()), reinterpret_cast<BYTE*>(clear.data())};
    DATA_BLOB out{};
    const bool protectedWell =
        CryptProtectData(&in, kPasswordDescription, nullptr, nullptr, nullptr,
                         CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN, &out);
    SecureZeroMemory(clear.data(), clear.size());
    if (!protectedWell) refuse(static_cast<LONG>(GetLastError()), "protecting the password");
    const LONG stored =
        RegSetValueExW(key.get(), L"Password", 0, REG_BINARY, out.pbData, out.cbData);
    LocalFree(out.pbData);
    check(stored, "storing the password");
    const std::wstring url = wideFromUtf8(address.url());
    check(RegSetValueExW(key.get(), L"Url", 0, REG_SZ, reinterpret_cast<const BYTE*>(url.c_str()),
                         static_cast<DWORD>((url.size() + 1) * sizeof(wchar_t))),
          "storing the URL");
    if (fingerprint) {
        const std::wstring text = wideFromUtf8(share::fingerprintText(*fingerprint));
        check(RegSetValueExW(key.get(), L"Fingerprint", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              "storing the fingerprint");
    } else {
        RegDeleteValueW(key.get(), L"Fingerprint");
    }
}

bool removeDeskMapping(int16_t port) {
    const LONG error =
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, portKey(port).c_str(), KEY_WOW64_64KEY, 0);
    if (error == ERROR_FILE_NOT_FOUND) return false;
    check(error, "removing HKLM\\" + utf8FromWide(portKey(port)));
    return true;
}

void removeAllDeskMappings() {
    Key product;
    LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                               product.out());
    if (error == ERROR_FILE_NOT_FOUND) return;
    check(error, "opening HKLM\\" + utf8FromWide(kProductKey));
    error = RegDeleteTreeW(product.get(), L"Desk");
    if (error != ERROR_FILE_NOT_FOUND) check(error, "removing HKLM\\" + utf8FromWide(kDeskKey));
    // The product's key goes too once it holds nothing else.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, 0);
}

std::vector<ListedMapping> listDeskMappings() {
    std::vector<ListedMapping> listed;
    Key desk;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeskKey, 0, KEY_READ | KEY_WOW64_64KEY, desk.out()) !=
        ERROR_SUCCESS) {
        return listed;
    }
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(desk.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const int number = _wcsnicmp(name, L"COM", 3) == 0 ? _wtoi(name + 3) : 0;
        if (number < 1 || number > 32767) continue;
        const auto port = static_cast<int16_t>(number);
        const auto mapping = readDeskMapping(port);
        if (!mapping) continue;
        listed.push_back({port, toUtf8(mapping->name),
                          mapping->settings ? mapping->settings->fingerprint : std::nullopt,
                          toUtf8(mapping->problem)});
    }
    return listed;
}

}  // namespace velko::win32
