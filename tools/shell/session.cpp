#include "tools/shell/session.h"

#include "tools/shell/arguments.h"
#include "tools/shell/line_parser.h"

namespace velko::shell {

namespace {

template <typename... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// Spelled out for compilers that do not yet deduce an aggregate's arguments (clang before 17).
template <typename... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

RuntimeError noSuchMember(const CallLine& line) {
    return dispatchError(line.dispid ? dispatch_error::kMemberNotFound
                                     : dispatch_error::kUnknownName);
}

}  // namespace

bool ShellSession::execute(std::string_view line) {
    ParsedLine parsed;
    try {
        parsed = parseLine(line);
    } catch (const SyntaxError& error) {
        output_.badInput(line, error.what());
        return true;
    }
    return std::visit(Overloaded{
                          [](const BlankLine&) { return true; },
                          [](const QuitLine&) { return false; },
                          [&](const WaitLine& wait) {
                              backend_.runFor(wait.duration, interrupted_);
                              return true;
                          },
                          [&](const CallLine& line) {
                              const MemberInfo* method =
                                  line.dispid ? findMethod(*line.dispid) : findMethod(line.target);
                              if (method == nullptr) {
                                  output_.failed(line.target, noSuchMember(line),
                                                 typedArguments(line.args));
                              } else {
                                  call(*method, line.args);
                              }
                              return true;
                          },
                      },
                      parsed);
}

std::optional<Value> ShellSession::call(const MemberInfo& method, const std::vector<Text>& typed) {
    std::vector<Value> args;
    try {
        args = convertArguments(method, typed);
    } catch (const RuntimeError& error) {
        output_.failed(method.name, error, typedArguments(typed));
        return std::nullopt;
    }
    try {
        const Value result = backend_.call(method, args);
        output_.called(method, result, args);
        return result;
    } catch (const RuntimeError& error) {
        output_.failed(method.name, error, args);
        return std::nullopt;
    }
}

}  // namespace velko::shell
