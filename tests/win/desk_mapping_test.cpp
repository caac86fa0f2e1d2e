// desk_mapping_test [TEST...]: the PC's mappings of COM ports to gateways' shares, as velko.exe
// desk writes them and the control reads them when it opens a port: one place for both
// architectures, the password protected by DPAPI, and a key that users read and administrators
// change. The runner (run-module-tests) runs it as the prefix's administrator.
#include <windows.h>
// After windows.h:
#include <sddl.h>
#include <wincrypt.h>

#include <algorithm>
#include <optional>
#include <string>

#include "control/text.h"
#include "platform/share/share_settings.h"
#include "platform/win32/share/desk_mapping.h"
#include "tests/win/support/check.h"

using namespace velko;
using namespace velko::wintest;

namespace {

constexpr int16_t kPort = 3;
const std::string kPassword = "pass wörd 한글";
const wchar_t* const kPortKey = L"SOFTWARE\\velko_foxpro\\Desk\\COM3";

share::ShareAddress address(const char* url) {
    std::string error;
    return *share::parseShareUrl(url, error);
}

const share::Fingerprint kFingerprint = *share::parseFingerprint(
    "5D:15:A5:12:BA:08:FE:37:1A:AC:70:B3:41:A5:58:E2:52:34:D5:A2:EE:D3:E5:32:53:76:8F:D5:15:61:"
    "87:44");

// The raw value, or nothing when the key or the value is not there in the view.
std::optional<std::string> rawValue(const wchar_t* key, const wchar_t* name, REGSAM view,
                                    DWORD* type = nullptr) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD size = 0;
    DWORD valueType = 0;
    std::optional<std::string> value;
    if (RegQueryValueExW(opened, name, nullptr, &valueType, nullptr, &size) == ERROR_SUCCESS) {
        std::string bytes(size, '\0');
        RegQueryValueExW(opened, name, nullptr, &valueType, reinterpret_cast<BYTE*>(bytes.data()),
                         &size);
        value = bytes;
        if (type != nullptr) *type = valueType;
    }
    RegCloseKey(opened);
    return value;
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

std::string utf16Bytes(const std::string& utf8) {
    const std::u16string text(fromUtf8(utf8));
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

void setRaw(const wchar_t* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) ==
            ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

}  // namespace

WIN_TEST(a_mapping_is_read_back_whole_and_its_password_is_nowhere_in_clear) {
    win32::writeDeskMapping(kPort, address("https://10.0.0.5:8443"), kPassword, kFingerprint);
    const auto mapping = win32::readDeskMapping(kPort);
    REQUIRE(mapping && mapping->settings);
    CHECK_EQ(mapping->settings->address.url(), std::string("https://10.0.0.5:8443"));
    CHECK_EQ(mapping->settings->password, kPassword);
    CHECK(mapping->settings->fingerprint == kFingerprint);
    CHECK(mapping->problem.empty());

    DWORD type = 0;
    const auto blob = rawValue(kPortKey, L"Password", KEY_WOW64_64KEY, &type);
    REQUIRE(blob);
    CHECK_EQ(type, REG_BINARY);
    CHECK(!contains(*blob, kPassword));
    CHECK(!contains(*blob, utf16Bytes(kPassword)));
    DATA_BLOB in{static_cast<DWORD>(blob->size()),
                 reinterpret_cast<BYTE*>(const_cast<char*>(blob->data()))};
    DATA_BLOB out{};
    REQUIRE(CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, 0, &out));
    CHECK_EQ(std::string(reinterpret_cast<char*>(out.pbData), out.cbData), kPassword);
    LocalFree(out.pbData);

    // Mapped again, without a pin: the fingerprint goes.
    win32::writeDeskMapping(kPort, address("https://gw.example"), kPassword, std::nullopt);
    CHECK(!win32::readDeskMapping(kPort)->settings->fingerprint);
    CHECK(!rawValue(kPortKey, L"Fingerprint", KEY_WOW64_64KEY));
}

// Both modules read the 64-bit view, which is the only one on 32-bit Windows.
WIN_TEST(the_mapping_is_in_the_one_place_both_architectures_read) {
    win32::writeDeskMapping(kPort, address("https://10.0.0.5:8443"), kPassword, std::nullopt);
    CHECK(rawValue(kPortKey, L"Url", KEY_WOW64_64KEY));
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (sizeof(void*) == 8 || wow64) CHECK(!rawValue(kPortKey, L"Url", KEY_WOW64_32KEY));
}

WIN_TEST(users_read_the_desk_key_and_administrators_change_it) {
    win32::writeDeskMapping(kPort, address("https://10.0.0.5:8443"), kPassword, std::nullopt);
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::kDeskKey, 0, READ_CONTROL | KEY_WOW64_64KEY,
                          &key) == ERROR_SUCCESS);
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::string descriptor(size, '\0');
    REQUIRE(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) ==
            ERROR_SUCCESS);
    RegCloseKey(key);
    wchar_t* text = nullptr;
    REQUIRE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::wstring dacl = text;
    LocalFree(text);
    // Protected from what HKLM\SOFTWARE grants; users read, administrators and the system
    // change, and the subkeys inherit it.
    CHECK(dacl.starts_with(L"D:P"));
    CHECK(dacl.find(L"(A;OICI;KR;;;BU)") != std::wstring::npos);
    CHECK(dacl.find(L"(A;OICI;KA;;;BA)") != std::wstring::npos);
    CHECK(dacl.find(L"(A;OICI;KA;;;SY)") != std::wstring::npos);
    CHECK_EQ(std::count(dacl.begin(), dacl.end(), L'('), 3);
}

WIN_TEST(a_mapping_that_cannot_be_used_says_why) {
    win32::writeDeskMapping(kPort, address("https://10.0.0.5:8443"), kPassword, std::nullopt);
    setRaw(L"Password", REG_BINARY, "not a protected password");
    auto mapping = win32::readDeskMapping(kPort);
    REQUIRE(mapping);
    CHECK(!mapping->settings);
    CHECK_EQ(toUtf8(mapping->name), std::string("https://10.0.0.5:8443"));
    CHECK(mapping->problem.starts_with(u"the desk mapping's password cannot be read back"));

    const std::wstring beyond = L"http://10.0.0.5:8080";
    setRaw(L"Url", REG_SZ,
           std::string(reinterpret_cast<const char*>(beyond.c_str()),
                       (beyond.size() + 1) * sizeof(wchar_t)));
    mapping = win32::readDeskMapping(kPort);
    CHECK(!mapping->settings);
    CHECK_EQ(toUtf8(mapping->problem),
             std::string("the desk mapping's URL is not a share's: http:// is for a gateway on "
                         "this computer only: use https://"));
}

WIN_TEST(removing_takes_one_mapping_or_all_of_them_away) {
    win32::writeDeskMapping(kPort, address("https://10.0.0.5:8443"), kPassword, std::nullopt);
    win32::writeDeskMapping(12, address("http://127.0.0.1:8080"), kPassword, std::nullopt);
    const auto listed = win32::listDeskMappings();
    REQUIRE(listed.size() == 2);
    CHECK_EQ(listed[0].port + listed[1].port, kPort + 12);
    CHECK(win32::removeDeskMapping(kPort));
    CHECK(!win32::removeDeskMapping(kPort));
    CHECK(!win32::readDeskMapping(kPort));
    CHECK(win32::readDeskMapping(12));
    win32::removeAllDeskMappings();
    CHECK(win32::listDeskMappings().empty());
    win32::removeAllDeskMappings();
}

int main(int argc, char** argv) { return runAll(argc, argv, 1); }
