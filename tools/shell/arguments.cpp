#include "tools/shell/arguments.h"

#include <charconv>
#include <limits>

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
        throw dispatchError(dispatch_error::kTypeMismatch);
    }
    if (error == std::errc::result_out_of_range || value < std::numeric_limits<Integer>::min() ||
        value > std::numeric_limits<Integer>::max()) {
        throw dispatchError(dispatch_error::kOverflow);
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
            throw dispatchError(dispatch_error::kTypeMismatch);
    }
}

}  // namespace

std::vector<Value> convertArguments(const MemberInfo& method, const std::vector<Text>& typed) {
    checkArgumentCount(method, typed.size());
    std::vector<Value> args;
    for (size_t i = 0; i < typed.size(); ++i) args.push_back(convert(method.params[i], typed[i]));
    return args;
}

std::vector<Value> typedArguments(const std::vector<Text>& typed) {
    return {typed.begin(), typed.end()};
}

}  // namespace velko::shell
