#include "control/automation_table.h"

#include <algorithm>
#include <array>

#include "control/runtime_error.h"

namespace velko {

namespace {

constexpr bool kByRef = true;
constexpr bool kByVal = false;
constexpr bool kOptional = true;
constexpr bool kRequired = false;

constexpr std::array<ParamInfo, 2> kPortParams{{
    {"pPortName", VarType::String, kByRef, kRequired},
    {"errorStr", VarType::String, kByRef, kRequired},
}};
constexpr std::array<ParamInfo, 2> kCloseParams{{
    {"portName", VarType::String, kByRef, kRequired},
    {"errorStr", VarType::String, kByRef, kRequired},
}};
constexpr std::array<ParamInfo, 4> kSendCmdParams{{
    {"cmd", VarType::Byte, kByRef, kRequired},
    {"para1", VarType::String, kByRef, kOptional},
    {"para2", VarType::String, kByRef, kOptional},
    {"para3", VarType::String, kByRef, kOptional},
}};
constexpr std::array<ParamInfo, 1> kDataParams{{{"data", VarType::String, kByRef, kRequired}}};
constexpr std::array<ParamInfo, 1> kStrByRefParams{{{"str", VarType::String, kByRef, kRequired}}};
constexpr std::array<ParamInfo, 1> kTitleParams{{{"title", VarType::String, kByVal, kRequired}}};

constexpr std::array<MemberInfo, 12> kMethods{{
    {"OpenVelko", 0x60030000, kPortParams, VarType::Int16},
    {"CloseVelko", 0x60030001, kCloseParams, VarType::Int16},
    {"ComPortStateGet", 0x60030002, {}, VarType::Bool},
    {"SendCmd", 0x60030003, kSendCmdParams, VarType::Bool},
    {"TxData", 0x60030004, kDataParams, VarType::Variant},
    {"GetCurrentErrorMsg", 0x60030005, {}, VarType::String},
    {"EventTest", 0x60030006, kStrByRefParams, VarType::Empty},
    {"ProcessReport", 0x60030008, {}, VarType::Empty},
    {"GetInformationWithIndicator", 0x60030009, kTitleParams, VarType::String},
    {"GetInformationWithoutIndicator", 0x6003000A, {}, VarType::String},
    {"EndMessageDiscard", 0x6003000B, {}, VarType::Empty},
    {"ProcessResponse", 0x6003000C, {}, VarType::Empty},
}};

constexpr std::array<ParamInfo, 1> kStrParams{{{"str", VarType::String, kByVal, kRequired}}};
constexpr std::array<ParamInfo, 2> kCallByStringParams{{
    {"callState", VarType::Int16, kByVal, kRequired},
    {"cidStrInfo", VarType::String, kByRef, kRequired},
}};
constexpr std::array<ParamInfo, 2> kCallParams{{
    {"callState", VarType::Int16, kByVal, kRequired},
    {"cidInfo", VarType::Record, kByRef, kRequired},
}};
constexpr std::array<ParamInfo, 1> kHookParams{{{"eventType", VarType::Bool, kByVal, kRequired}}};
constexpr std::array<ParamInfo, 4> kResponseParams{{
    {"msgType", VarType::Int16, kByVal, kRequired},
    {"rst1", VarType::String, kByVal, kRequired},
    {"rst2", VarType::String, kByVal, kRequired},
    {"rst3", VarType::String, kByVal, kRequired},
}};
constexpr std::array<ParamInfo, 3> kGatheredParams{{
    {"max", VarType::Int16, kByRef, kRequired},
    {"kind", VarType::Int16, kByRef, kRequired},
    {"cidInfo", VarType::RecordArray, kByRef, kRequired},
}};

constexpr std::array<MemberInfo, 7> kEvents{{
    {"DebugMsg", 1, kStrParams, VarType::Empty},
    {"ReceiveReal", 2, kStrParams, VarType::Empty},
    {"ReceiveCallByString", 3, kCallByStringParams, VarType::Empty},
    {"ReceiveCall", 4, kCallParams, VarType::Empty},
    {"HookEvent", 5, kHookParams, VarType::Empty},
    {"ReceiveResponse", 6, kResponseParams, VarType::Empty},
    {"ReceiveGatheredInfo", 7, kGatheredParams, VarType::Empty},
}};

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

const MemberInfo* findByName(std::span<const MemberInfo> table, std::string_view name) {
    const auto found = std::find_if(table.begin(), table.end(), [&](const MemberInfo& m) {
        return sameNameIgnoringCase(m.name, name);
    });
    return found == table.end() ? nullptr : &*found;
}

[[noreturn]] void failDispatch(int32_t number, const char16_t* description) {
    throw RuntimeError(number, description);
}

template <typename T>
T& argument(std::vector<Value>& args, size_t index) {
    T* value = std::get_if<T>(&args[index]);
    if (value == nullptr) failDispatch(dispatch_error::kTypeMismatch, u"Type mismatch.");
    return *value;
}

// Omitted optional text arguments read as empty texts; they are not handed back.
Text& optionalText(std::vector<Value>& args, size_t index, Text& omitted) {
    return index < args.size() ? argument<Text>(args, index) : omitted;
}

Value boolResult(bool value) { return Value{value}; }

}  // namespace

std::span<const MemberInfo> methodTable() { return kMethods; }
std::span<const MemberInfo> eventTable() { return kEvents; }

const MemberInfo* findMethod(std::string_view name) { return findByName(kMethods, name); }

const MemberInfo* findMethod(int32_t dispid) {
    const auto found = std::find_if(kMethods.begin(), kMethods.end(),
                                    [dispid](const MemberInfo& m) { return m.dispid == dispid; });
    return found == kMethods.end() ? nullptr : &*found;
}

const MemberInfo* findEvent(std::string_view name) { return findByName(kEvents, name); }

Value invoke(_velko_foxpro& control, const MemberInfo& method, std::vector<Value>& args) {
    const auto required =
        static_cast<size_t>(std::count_if(method.params.begin(), method.params.end(),
                                          [](const ParamInfo& p) { return !p.optional; }));
    if (args.size() < required || args.size() > method.params.size()) {
        failDispatch(dispatch_error::kBadParamCount, u"Invalid number of parameters.");
    }
    Text omitted1, omitted2, omitted3;
    switch (method.dispid) {
        case 0x60030000:
            return Value{control.OpenVelko(argument<Text>(args, 0), argument<Text>(args, 1))};
        case 0x60030001:
            return Value{control.CloseVelko(argument<Text>(args, 0), argument<Text>(args, 1))};
        case 0x60030002:
            return boolResult(control.ComPortStateGet());
        case 0x60030003:
            return boolResult(
                control.SendCmd(argument<uint8_t>(args, 0), optionalText(args, 1, omitted1),
                                optionalText(args, 2, omitted2), optionalText(args, 3, omitted3)));
        case 0x60030004:
            control.TxData(argument<Text>(args, 0));
            return Value{Empty{}};
        case 0x60030005:
            return Value{control.GetCurrentErrorMsg()};
        case 0x60030006:
            control.EventTest(argument<Text>(args, 0));
            return Value{Empty{}};
        case 0x60030008:
            control.ProcessReport();
            return Value{Empty{}};
        case 0x60030009:
            return Value{control.GetInformationWithIndicator(argument<Text>(args, 0))};
        case 0x6003000A:
            return Value{control.GetInformationWithoutIndicator()};
        case 0x6003000B:
            control.EndMessageDiscard();
            return Value{Empty{}};
        case 0x6003000C:
            control.ProcessResponse();
            return Value{Empty{}};
        default:
            failDispatch(dispatch_error::kMemberNotFound, u"Member not found.");
    }
}

Value invoke(_velko_foxpro& control, std::string_view name, std::vector<Value>& args) {
    const MemberInfo* method = findMethod(name);
    if (method == nullptr) failDispatch(dispatch_error::kUnknownName, u"Unknown name.");
    return invoke(control, *method, args);
}

Value invoke(_velko_foxpro& control, int32_t dispid, std::vector<Value>& args) {
    const MemberInfo* method = findMethod(dispid);
    if (method == nullptr) failDispatch(dispatch_error::kMemberNotFound, u"Member not found.");
    return invoke(control, *method, args);
}

}  // namespace velko
