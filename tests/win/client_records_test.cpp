// What a host that reads no records (a FoxPro program, a script) reads of the calls and lists:
// from inside its event handlers it calls the control back late bound, each member looked up by
// name (GetIDsOfNames) and invoked, as FoxPro calls a control's methods, with its numbers as
// 32-bit integers or doubles.
#include <string>
#include <vector>

#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"
#include "tests/win/support/control_on_line.h"

using namespace velko::wintest;

namespace {

constexpr HRESULT kSubscriptOutOfRange = static_cast<HRESULT>(0x800A0000 + 9);

VARIANT integer(long value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT real(double value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_R8;
    V_R8(&v) = value;
    return v;
}

void callByName(IDispatch& control, const wchar_t* name, std::vector<VARIANT> arguments,
                Outcome& outcome) {
    const DISPID id = idOfName(control, name);
    if (id == DISPID_UNKNOWN) stop(__FILE__, __LINE__, "no member " + describe(name));
    invoke(control, id, std::move(arguments), outcome);
}

std::wstring textNamed(IDispatch& control, const wchar_t* name, std::vector<VARIANT> args = {}) {
    Outcome outcome;
    callByName(control, name, std::move(args), outcome);
    CHECK_HR(outcome.result, S_OK);
    CHECK_EQ(V_VT(&outcome.value), VT_BSTR);
    return V_VT(&outcome.value) == VT_BSTR ? textOf(V_BSTR(&outcome.value)) : L"<no text>";
}

short numberNamed(IDispatch& control, const wchar_t* name, std::vector<VARIANT> args = {}) {
    Outcome outcome;
    callByName(control, name, std::move(args), outcome);
    CHECK_HR(outcome.result, S_OK);
    CHECK_EQ(V_VT(&outcome.value), VT_I2);
    return V_VT(&outcome.value) == VT_I2 ? V_I2(&outcome.value) : short{-32768};
}

// The call report's state and fields, its name included.
struct Call {
    short state = 0;
    CidEntry fields;
    bool operator==(const Call&) const = default;
};

Call readCall(IDispatch& control) {
    return {numberNamed(control, L"LastCallState"),
            {numberNamed(control, L"LastCallMonth"), numberNamed(control, L"LastCallDay"),
             numberNamed(control, L"LastCallHour"), numberNamed(control, L"LastCallMin"),
             textNamed(control, L"LastCallNumber"), textNamed(control, L"LastCallName"),
             numberNamed(control, L"LastCallGroup"), textNamed(control, L"LastCallTelType")}};
}

CidEntry readEntry(IDispatch& control, long index) {
    return {numberNamed(control, L"LastListMonth", {integer(index)}),
            numberNamed(control, L"LastListDay", {integer(index)}),
            numberNamed(control, L"LastListHour", {integer(index)}),
            numberNamed(control, L"LastListMin", {integer(index)}),
            textNamed(control, L"LastListNumber", {integer(index)}),
            textNamed(control, L"LastListName", {integer(index)}),
            numberNamed(control, L"LastListGroup", {integer(index)}),
            textNamed(control, L"LastListTelType", {integer(index)})};
}

// Every member that takes an index fails for this one with run-time error 9.
void checkNoEntry(IDispatch& control, VARIANT index) {
    for (const wchar_t* name :
         {L"LastListMonth", L"LastListDay", L"LastListHour", L"LastListMin", L"LastListNumber",
          L"LastListName", L"LastListGroup", L"LastListTelType"}) {
        Outcome outcome;
        callByName(control, name, {index}, outcome);
        CHECK_HR(outcome.result, DISP_E_EXCEPTION);
        CHECK_HR(outcome.exception.scode, kSubscriptOutOfRange);
        CHECK_EQ(textOf(outcome.exception.bstrDescription),
                 std::wstring(L"Subscript out of range"));
    }
}

// Stored call n (1 to 60) as the terminal lists it, and as the list's entry n reads.
std::wstring storedCall(int n) {
    wchar_t text[160];
    swprintf(text, 160,
             L"Time:12%02d08%02d\r\nNumber:0200000%03d\r\nName:이름%d\r\nGroup:%d\r\nType:V\r\n", n,
             n, n, n, n % 7);
    return text;
}

CidEntry storedEntry(int n) {
    wchar_t number[16];
    swprintf(number, 16, L"0200000%03d", n);
    return {12,
            static_cast<short>(n),
            8,
            static_cast<short>(n),
            number,
            L"이름" + std::to_wstring(n),
            static_cast<short>(n % 7),
            L"VIP"};
}

}  // namespace

WIN_TEST(before_anything_came_the_call_is_empty_and_the_list_has_no_entry) {
    const ComRef<IDispatch> control = createControl();
    CHECK(readCall(*control.get()) == Call{});
    CHECK_EQ(numberNamed(*control.get(), L"LastListKind"), 0);
    CHECK_EQ(numberNamed(*control.get(), L"LastListCount"), 0);
    checkNoEntry(*control.get(), integer(1));
}

WIN_TEST(a_call_handler_reads_the_callers_name_and_the_call_stays_until_the_next) {
    ControlOnLine line;
    IDispatch& control = line.control();
    std::vector<Call> inHandler;
    line.recorder().onEvent = [&](DISPPARAMS&) {
        if (line.recorder().events.back().id == event("ReceiveCallByString")) {
            inHandler.push_back(readCall(control));
        }
    };
    line.receive(
        L"Report\r\nD\r\nTime:03050907\r\nNumber:0212345678\r\nName:홍길동\r\nGroup:2\r\n"
        L"Type:S\r\nEnd\r\n",
        "ReceiveCallByString");
    const Call first{1, {3, 5, 9, 7, L"0212345678", L"홍길동", 2, L"NORMAL"}};
    REQUIRE(inHandler.size() == 1);
    CHECK(inHandler[0] == first);
    CHECK(readCall(control) == first);

    line.recorder().events.clear();
    line.receive(L"Report\r\nE\r\nTime:12312359\r\nNumber:0311112222\r\nName:Kim\r\nEnd\r\n",
                 "ReceiveCallByString");
    REQUIRE(inHandler.size() == 2);
    CHECK(inHandler[1] == (Call{2, {12, 31, 23, 59, L"0311112222", L"Kim", 0, L""}}));
}

WIN_TEST(a_list_handler_reads_every_field_of_sixty_stored_calls_by_index) {
    ControlOnLine line;
    IDispatch& control = line.control();
    short kind = 0;
    std::vector<CidEntry> inHandler;
    line.recorder().onEvent = [&](DISPPARAMS&) {
        if (line.recorder().events.back().id != event("ReceiveGatheredInfo")) return;
        kind = numberNamed(control, L"LastListKind");
        const short count = numberNamed(control, L"LastListCount");
        for (long i = 1; i <= count; ++i) inHandler.push_back(readEntry(control, i));
        checkNoEntry(control, integer(count + 1));
    };
    std::wstring message = L"Response\r\na\r\n";
    for (int n = 1; n <= 60; ++n) message += storedCall(n);
    line.receive(message + L"End\r\n", "ReceiveGatheredInfo");

    CHECK_EQ(kind, 97);
    REQUIRE(inHandler.size() == 60);
    for (int n = 1; n <= 60; ++n) {
        if (!(inHandler[n - 1] == storedEntry(n))) fail(__FILE__, __LINE__, "entry " + describe(n));
    }
    // After the handler the list stays; an index may come as a double, as FoxPro's numbers do.
    CHECK_EQ(textNamed(control, L"LastListName", {real(60)}), std::wstring(L"이름60"));
    checkNoEntry(control, integer(0));
    checkNoEntry(control, real(-1));
}
