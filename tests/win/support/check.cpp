#include "tests/win/support/check.h"

#include <cstdio>
#include <exception>
#include <vector>

namespace velko::wintest {

namespace {

struct Entry {
    const char* name;
    TestCase test;
};

struct Stopped {};

std::vector<Entry>& registry() {
    static std::vector<Entry> entries;
    return entries;
}

int failures = 0;
std::vector<std::string> programArguments;

bool selected(const char* name, int argc, char** argv, int fixedArguments) {
    if (argc <= fixedArguments) return true;
    for (int i = fixedArguments; i < argc; ++i) {
        if (std::string_view(argv[i]) == name) return true;
    }
    return false;
}

}  // namespace

Registration::Registration(const char* name, TestCase test) { registry().push_back({name, test}); }

void fail(const char* file, int line, const std::string& message) {
    ++failures;
    std::printf("  %s:%d: %s\n", file, line, message.c_str());
}

void stop(const char* file, int line, const std::string& message) {
    fail(file, line, message);
    throw Stopped{};
}

int runAll(int argc, char** argv, int fixedArguments) {
    programArguments.assign(argv, argv + argc);
    int failedCases = 0;
    int ranCases = 0;
    for (const Entry& entry : registry()) {
        if (!selected(entry.name, argc, argv, fixedArguments)) continue;
        ++ranCases;
        const int before = failures;
        try {
            entry.test();
        } catch (const Stopped&) {
        } catch (const std::exception& error) {
            fail(entry.name, 0, std::string("exception: ") + error.what());
        }
        const bool passed = failures == before;
        if (!passed) ++failedCases;
        std::printf("%s %s\n", passed ? "ok  " : "FAIL", entry.name);
        std::fflush(stdout);
    }
    std::printf("%d of %d test cases passed\n", ranCases - failedCases, ranCases);
    return failedCases == 0 && ranCases > 0 ? 0 : 1;
}

std::string argument(int index) {
    return index < static_cast<int>(programArguments.size()) ? programArguments[index]
                                                             : std::string();
}

std::string describe(long long value) {
    char text[48];
    if (value < -0xFFFF || value > 0xFFFF) {
        std::snprintf(text, sizeof text, "%lld (0x%08llX)", value,
                      static_cast<unsigned long long>(value) & 0xFFFFFFFFull);
    } else {
        std::snprintf(text, sizeof text, "%lld", value);
    }
    return text;
}

std::string describe(const std::string& value) { return '"' + value + '"'; }

std::string describe(std::wstring_view value) {
    std::string utf8;
    if (!value.empty()) {
        const int size = WideCharToMultiByte(
            CP_UTF8, 0, value.data(), static_cast<int>(value.size()), nullptr, 0, nullptr, nullptr);
        utf8.resize(static_cast<size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), utf8.data(),
                            size, nullptr, nullptr);
    }
    return '"' + utf8 + '"';
}

std::string describe(const GUID& value) {
    wchar_t text[40];
    StringFromGUID2(value, text, 40);
    return describe(std::wstring_view(text));
}

}  // namespace velko::wintest
