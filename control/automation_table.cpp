#include "control/automation_table.h"

#include <algorithm>
#include <array>

namespace velko {

namespace {

constexpr bool kByRef = true;
constexpr bool kByVal = false;
constexpr bool kOptional = true;
constexpr bool kRequired = false;

// The methods' dispatch ids, as the type library gives them.
namespace method_id {
constexpr int32_t kOpenVelko = 0x60030000;
constexpr int32_t kCloseVelko = 0x60030001;
constexpr int32_t kComPortStateGet = 0x60030002;
constexpr int32_t kSendCmd = 0x60030003;
constexpr int32_t kTxData = 0x60030004;
constexpr int32_t kGetCurrentErrorMsg = 0x60030005;
constexpr int32_t kEventTest = 0x60030006;
constexpr int32_t kProcessReport = 0x60030008;
constexpr int32_t kGetInformationWithIndicator = 0x60030009;
constexpr int32_t kGetInformationWithoutIndicator = 0x6003000A;
constexpr int32_t kEndMessageDiscard = 0x6003000B;
constexpr int32_t kProcessResponse = 0x6003000C;
constexpr int32_t kLastCallState = 0x6003000D;
constexpr int32_t kLastCallMonth = 0x6003000E;
constexpr int32_t kLastCallDay = 0x6003000F;
constexpr int32_t kLastCallHour = 0x60030010;
constexpr int32_t kLastCallMin = 0x60030011;
constexpr int32_t kLastCallNumber = 0x60030012;
constexpr int32_t kLastCallName = 0x60030013;
constexpr int32_t kLastCallGroup = 0x60030014;
constexpr int32_t kLastCallTelType = 0x60030015;
constexpr int32_t kLastListKind = 0x60030016;
constexpr int32_t kLastListCount = 0x60030017;
constexpr int32_t kLastListMonth = 0x60030018;
constexpr int32_t kLastListDay = 0x60030019;
constexpr int32_t kLastListHour = 0x6003001A;
constexpr int32_t kLastListMin = 0x6003001B;
constexpr int32_t kLastListNumber = 0x6003001C;
constexpr int32_t kLastListName = 0x6003001D;
constexpr int32_t kLastListGroup = 0x6003001E;
constexpr int32_t kLastListTelType = 0x6003001F;
}  // namespace method_id

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
constexpr std::array<ParamInfo, 1> kIndexParams{{{"index", VarType::Int16, kByVal, kRequired}}};

constexpr std::array<MemberInfo, 31> kMethods{{
    {"OpenVelko", method_id::kOpenVelko, kPortParams, VarType::Int16},
    {"CloseVelko", method_id::kCloseVelko, kCloseParams, VarType::Int16},
    {"ComPortStateGet", method_id::kComPortStateGet, {}, VarType::Bool},
    {"SendCmd", method_id::kSendCmd, kSendCmdParams, VarType::Bool},
    {"TxData", method_id::kTxData, kDataParams, VarType::Variant},
    {"GetCurrentErrorMsg", method_id::kGetCurrentErrorMsg, {}, VarType::String},
    {"EventTest", method_id::kEventTest, kStrByRefParams, VarType::Empty},
    {"ProcessReport", method_id::kProcessReport, {}, VarType::Empty},
    {"GetInformationWithIndicator", method_id::kGetInformationWithIndicator, kTitleParams,
     VarType::String},
    {"GetInformationWithoutIndicator",
     method_id::kGetInformationWithoutIndicator,
     {},
     VarType::String},
    {"EndMessageDiscard", method_id::kEndMessageDiscard, {}, VarType::Empty},
    {"ProcessResponse", method_id::kProcessResponse, {}, VarType::Empty},
    {"LastCallState", method_id::kLastCallState, {}, VarType::Int16},
    {"LastCallMonth", method_id::kLastCallMonth, {}, VarType::Int16},
    {"LastCallDay", method_id::kLastCallDay, {}, VarType::Int16},
    {"LastCallHour", method_id::kLastCallHour, {}, VarType::Int16},
    {"LastCallMin", method_id::kLastCallMin, {}, VarType::Int16},
    {"LastCallNumber", method_id::kLastCallNumber, {}, VarType::String},
    {"LastCallName", method_id::kLastCallName, {}, VarType::String},
    {"LastCallGroup", method_id::kLastCallGroup, {}, VarType::Int16},
    {"LastCallTelType", method_id::kLastCallTelType, {}, VarType::String},
    {"LastListKind", method_id::kLastListKind, {}, VarType::Int16},
    {"LastListCount", method_id::kLastListCount, {}, VarType::Int16},
    {"LastListMonth", method_id::kLastListMonth, kIndexParams, VarType::Int16},
    {"LastListDay", method_id::kLastListDay, kIndexParams, VarType::Int16},
    {"LastListHour", method_id::kLastListHour, kIndexParams, VarType::Int16},
    {"LastListMin", method_id::kLastListMin, kIndexParams, VarType::Int16},
    {"LastListNumber", method_id::kLastListNumber, kIndexParams, VarType::String},
    {"LastListName", method_id::kLastListName, kIndexParams, VarType::String},
    {"LastListGroup", method_id::kLastListGroup, kIndexParams, VarType::Int16},
    {"LastListTelType", method_id::kLastListTelType, kIndexParams, VarType::String},
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

template <typename Matches>
const MemberInfo* findIn(std::span<const MemberInfo> table, Matches matches) {
    const auto found = std::find_if(table.begin(), table.end(), matches);
    return found == table.end() ? nullptr : &*found;
}

const MemberInfo* findByName(std::span<const MemberInfo> table, std::string_view name) {
    return findIn(table,
                  [name](const MemberInfo& m) { return sameNameIgnoringCase(m.name, name); });
}

const MemberInfo* findById(std::span<const MemberInfo> table, int32_t dispid) {
    return findIn(table, [dispid](const MemberInfo& m) { return m.dispid == dispid; });
}

[[noreturn]] void failDispatch(int32_t number) { throw dispatchError(number); }

template <typename T>
T& argument(std::vector<Value>& args, size_t index) {
    T* value = std::get_if<T>(&args[index]);
    if (value == nullptr) failDispatch(dispatch_error::kTypeMismatch);
    return *value;
}

// Omitted optional text arguments read as empty texts; they are not handed back.
Text& optionalText(std::vector<Value>& args, size_t index, Text& omitted) {
    return index < args.size() ? argument<Text>(args, index) : omitted;
}

}  // namespace

std::span<const MemberInfo> methodTable() { return kMethods; }
std::span<const MemberInfo> eventTable() { return kEvents; }

const MemberInfo* findMethod(std::string_view name) { return findByName(kMethods, name); }

const MemberInfo* findMethod(int32_t dispid) { return findById(kMethods, dispid); }

const MemberInfo* findEvent(std::string_view name) { return findByName(kEvents, name); }

const MemberInfo* findEvent(int32_t dispid) { return findById(kEvents, dispid); }

RuntimeError dispatchError(int32_t number) {
    switch (number) {
        case dispatch_error::kMemberNotFound:
            return RuntimeError(number, u"Member not found.");
        case dispatch_error::kTypeMismatch:
            return RuntimeError(number, u"Type mismatch.");
        case dispatch_error::kUnknownName:
            return RuntimeError(number, u"Unknown name.");
        case dispatch_error::kOverflow:
            return RuntimeError(number, u"Out of present range.");
        case dispatch_error::kBadParamCount:
            return RuntimeError(number, u"Invalid number of parameters.");
    }
    return RuntimeError(number, Text());
}

void checkArgumentCount(const MemberInfo& method, size_t count) {
    const auto required =
        static_cast<size_t>(std::count_if(method.params.begin(), method.params.end(),
                                          [](const ParamInfo& p) { return !p.optional; }));
    if (count < required || count > method.params.size()) {
        failDispatch(dispatch_error::kBadParamCount);
    }
}

Value invoke(_velko_foxpro& control, const MemberInfo& method, std::vector<Value>& args) {
    checkArgumentCount(method, args.size());
    Text omitted1, omitted2, omitted3;
    switch (method.dispid) {
        case method_id::kOpenVelko:
            return Value{control.OpenVelko(argument<Text>(args, 0), argument<Text>(args, 1))};
        case method_id::kCloseVelko:
            return Value{control.CloseVelko(argument<Text>(args, 0), argument<Text>(args, 1))};
        case method_id::kComPortStateGet:
            return Value{control.ComPortStateGet()};
        case method_id::kSendCmd:
            return Value{
                control.SendCmd(argument<uint8_t>(args, 0), optionalText(args, 1, omitted1),
                                optionalText(args, 2, omitted2), optionalText(args, 3, omitted3))};
        case method_id::kTxData:
            control.TxData(argument<Text>(args, 0));
            return Value{Empty{}};
        case method_id::kGetCurrentErrorMsg:
            return Value{control.GetCurrentErrorMsg()};
        case method_id::kEventTest:
            control.EventTest(argument<Text>(args, 0));
            return Value{Empty{}};
        case method_id::kProcessReport:
            control.ProcessReport();
            return Value{Empty{}};
        case method_id::kGetInformationWithIndicator:
            return Value{control.GetInformationWithIndicator(argument<Text>(args, 0))};
        case method_id::kGetInformationWithoutIndicator:
            return Value{control.GetInformationWithoutIndicator()};
        case method_id::kEndMessageDiscard:
            control.EndMessageDiscard();
            return Value{Empty{}};
        case method_id::kProcessResponse:
            control.ProcessResponse();
            return Value{Empty{}};
        case method_id::kLastCallState:
            return Value{control.LastCallState()};
        case method_id::kLastCallMonth:
            return Value{control.LastCallMonth()};
        case method_id::kLastCallDay:
            return Value{control.LastCallDay()};
        case method_id::kLastCallHour:
            return Value{control.LastCallHour()};
        case method_id::kLastCallMin:
            return Value{control.LastCallMin()};
        case method_id::kLastCallNumber:
            return Value{control.LastCallNumber()};
        case method_id::kLastCallName:
            return Value{control.LastCallName()};
        case method_id::kLastCallGroup:
            return Value{control.LastCallGroup()};
        case method_id::kLastCallTelType:
            return Value{control.LastCallTelType()};
        case method_id::kLastListKind:
            return Value{control.LastListKind()};
        case method_id::kLastListCount:
            return Value{control.LastListCount()};
        case method_id::kLastListMonth:
            return Value{control.LastListMonth(argument<int16_t>(args, 0))};
        case method_id::kLastListDay:
            return Value{control.LastListDay(argument<int16_t>(args, 0))};
        case method_id::kLastListHour:
            return Value{control.LastListHour(argument<int16_t>(args, 0))};
        case method_id::kLastListMin:
            return Value{control.LastListMin(argument<int16_t>(args, 0))};
        case method_id::kLastListNumber:
            return Value{control.LastListNumber(argument<int16_t>(args, 0))};
        case method_id::kLastListName:
            return Value{control.LastListName(argument<int16_t>(args, 0))};
        case method_id::kLastListGroup:
            return Value{control.LastListGroup(argument<int16_t>(args, 0))};
        case method_id::kLastListTelType:
            return Value{control.LastListTelType(argument<int16_t>(args, 0))};
        default:
            failDispatch(dispatch_error::kMemberNotFound);
    }
}

Value invoke(_velko_foxpro& control, std::string_view name, std::vector<Value>& args) {
    const MemberInfo* method = findMethod(name);
    if (method == nullptr) failDispatch(dispatch_error::kUnknownName);
    return invoke(control, *method, args);
}

Value invoke(_velko_foxpro& control, int32_t dispid, std::vector<Value>& args) {
    const MemberInfo* method = findMethod(dispid);
    if (method == nullptr) failDispatch(dispatch_error::kMemberNotFound);
    return invoke(control, *method, args);
}

}  // namespace velko
