#include "tools/shell/arguments.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "control/runtime_error.h"

namespace velko::shell {

namespace {

template <typename Integer>
Value decimal(const Text& argument) {
    const std::string text = toUtf8(argument);
    const char* first = text.data();
    const char* last = first + text.size();
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || end != last ||
        (error != std::errc{} && error != std::errc::result_out_of_range)) {
        throw RuntimeError(dispatch_error::kTypeMismatch, u"Type mismatch.");
    }
    if (error == std::errc::result_out_of_range || value < std::numeric_limits<Integer>::min() ||
        value > std::numeric_limits<Integer>::max()) {
        throw RuntimeError(dispatch_error::kOverflow, u"Out of present range.");
    }
    return Value{static_cast<Integer>(value)};
}

Value convert(const ParamInfo& param, const Text& argument) {
    switch (param.type) {
        case VarType::String:
            return Value{argument};
        case VarType::Byte:
            return decimal<uint8_t>(argument);
        case VarType::Int16:
            return decimal<int16_t>(argument);
        default:
            throw RuntimeError(dispatch_error::kTypeMismatch, u"Type mismatch.");
    }
}

}  // namespace

std::vector<Value> convertArguments(const MemberInfo& method, const std::vector<Text>& typed) {
    const auto required =
        static_cast<size_t>(std::count_if(method.params.begin(), method.params.end(),
                                          [](const ParamInfo& p) { return !p.optional; }));
    if (typed.size() < required || typed.size() > method.params.size()) {
        throw RuntimeError(dispatch_error::kBadParamCount, u"Invalid number of parameters.");
    }
    std::vector<Value> args;
    for (size_t i = 0; i < typed.size(); ++i) args.push_back(convert(method.params[i], typed[i]));
    return args;
}

std::vector<Value> typedArguments(const std::vector<Text>& typed) {
    return {typed.begin(), typed.end()};
}

}  // namespace velko::shell
