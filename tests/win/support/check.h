#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <type_traits>

// A small test runner for the programs that run under Wine: named test cases, checks that
// report what they compared, and the program's arguments.
namespace velko::wintest {

using TestCase = void (*)();

struct Registration {
    Registration(const char* name, TestCase test);
};

// Records a failed check of the running test case.
void fail(const char* file, int line, const std::string& message);
// Records a failed check and ends the running test case.
[[noreturn]] void stop(const char* file, int line, const std::string& message);

// Runs every registered test case (or those whose names are arguments after the program's
// fixed ones); returns the process exit code.
int runAll(int argc, char** argv, int fixedArguments);

// The argument at index of the program's command line.
std::string argument(int index);

std::string describe(long long value);
std::string describe(const std::string& value);
std::string describe(std::wstring_view value);
std::string describe(const GUID& value);

// Integers compare by value whatever their types.
template <typename A, typename B>
bool equalValues(const A& a, const B& b) {
    if constexpr (std::is_integral_v<A> && std::is_integral_v<B>) {
        return static_cast<long long>(a) == static_cast<long long>(b);
    } else {
        return a == b;
    }
}

template <typename T>
std::string describeValue(const T& value) {
    if constexpr (std::is_enum_v<T>) {
        return describe(static_cast<long long>(value));
    } else if constexpr (std::is_integral_v<T>) {
        return describe(static_cast<long long>(value));
    } else if constexpr (std::is_convertible_v<T, std::wstring_view>) {
        return describe(std::wstring_view(value));
    } else {
        return describe(value);
    }
}

}  // namespace velko::wintest

#define WIN_TEST(name)                                                           \
    static void name();                                                          \
    static const ::velko::wintest::Registration name##Registration(#name, name); \
    static void name()

#define CHECK(condition)                                                                       \
    do {                                                                                       \
        if (!(condition)) ::velko::wintest::fail(__FILE__, __LINE__, "CHECK(" #condition ")"); \
    } while (false)

#define REQUIRE(condition)                                                                       \
    do {                                                                                         \
        if (!(condition)) ::velko::wintest::stop(__FILE__, __LINE__, "REQUIRE(" #condition ")"); \
    } while (false)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto checkActual = (actual);                                                         \
        const auto checkExpected = (expected);                                                     \
        if (!::velko::wintest::equalValues(checkActual, checkExpected)) {                          \
            ::velko::wintest::fail(                                                                \
                __FILE__, __LINE__,                                                                \
                #actual " == " #expected ": got " + ::velko::wintest::describeValue(checkActual) + \
                    ", expected " + ::velko::wintest::describeValue(checkExpected));               \
        }                                                                                          \
    } while (false)

// Checks an HRESULT and, when it failed, names it.
#define CHECK_HR(expression, expected)                                 \
    CHECK_EQ(static_cast<long long>(static_cast<HRESULT>(expression)), \
             static_cast<long long>(static_cast<HRESULT>(expected)))
