#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "control/runtime_error.h"
#include "control/value.h"
#include "control/velko_interface.h"

namespace velko {

struct ParamInfo {
    std::string_view name;
    VarType type;
    bool byRef;
    bool optional;
};

struct MemberInfo {
    std::string_view name;
    int32_t dispid;
    std::span<const ParamInfo> params;
    VarType result;  // VarType::Empty: the member returns nothing
};

// The methods of _velko_foxpro in slot order, and the events of __velko_foxpro.
std::span<const MemberInfo> methodTable();
std::span<const MemberInfo> eventTable();

// Names compare case-insensitively, as automation does. Null when there is no such member.
const MemberInfo* findMethod(std::string_view name);
const MemberInfo* findMethod(int32_t dispid);
const MemberInfo* findEvent(std::string_view name);
const MemberInfo* findEvent(int32_t dispid);

// Failures of the dispatch itself, as HRESULT values (they are not run-time errors of the
// control and are not recorded as the thread's pending error).
namespace dispatch_error {
inline constexpr int32_t kMemberNotFound = -2147352573;  // DISP_E_MEMBERNOTFOUND
inline constexpr int32_t kTypeMismatch = -2147352571;    // DISP_E_TYPEMISMATCH
inline constexpr int32_t kUnknownName = -2147352570;     // DISP_E_UNKNOWNNAME
inline constexpr int32_t kOverflow = -2147352566;        // DISP_E_OVERFLOW
inline constexpr int32_t kBadParamCount = -2147352562;   // DISP_E_BADPARAMCOUNT
}  // namespace dispatch_error

// A dispatch failure above with its description; another number gets none.
RuntimeError dispatchError(int32_t number);

// Throws kBadParamCount unless count lies between the method's required parameters and all of
// them.
void checkArgumentCount(const MemberInfo& method, size_t count);

// Calls a method with positional arguments of the parameters' types; omitted optional
// arguments are left off the end. By-reference arguments are written back into args. Throws
// RuntimeError: the method's own run-time errors, or a dispatch error above.
Value invoke(_velko_foxpro& control, const MemberInfo& method, std::vector<Value>& args);

// Looks the method up first; throws kUnknownName or kMemberNotFound when there is none.
Value invoke(_velko_foxpro& control, std::string_view name, std::vector<Value>& args);
Value invoke(_velko_foxpro& control, int32_t dispid, std::vector<Value>& args);

}  // namespace velko
