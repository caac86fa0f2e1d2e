// Calls into the registered control through COM, as a host makes them: by name and by
// dispatch identifier through IDispatch, and through the dual interface's table.
#include "control/automation_table.h"
#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"
#include "tests/win/support/control_client.h"

using namespace velko::wintest;

namespace {

constexpr HRESULT kPortNotOpen = static_cast<HRESULT>(0x800A0000 + 8018);
constexpr const wchar_t* kPortNotOpenText = L"Operation valid only when the port is open";

}  // namespace

WIN_TEST(created_by_programmatic_identifier_with_its_interfaces) {
    const ComRef<IDispatch> control = createControl();
    CHECK(queryInterface<_velko_foxpro>(*control.get(), IID__velko_foxpro));
    CHECK(queryInterface<IConnectionPointContainer>(*control.get(), IID_IConnectionPointContainer));

    const auto errors = queryInterface<ISupportErrorInfo>(*control.get(), IID_ISupportErrorInfo);
    REQUIRE(errors);
    CHECK_HR(errors->InterfaceSupportsErrorInfo(IID__velko_foxpro), S_OK);

    const auto classInfo =
        queryInterface<IProvideClassInfo2>(*control.get(), IID_IProvideClassInfo2);
    REQUIRE(classInfo);
    GUID source{};
    CHECK_HR(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    CHECK_EQ(source, DIID___velko_foxpro);
    ComRef<ITypeInfo> coclass;
    REQUIRE(SUCCEEDED(classInfo->GetClassInfo(coclass.put())));
    TYPEATTR* attributes = nullptr;
    REQUIRE(SUCCEEDED(coclass->GetTypeAttr(&attributes)));
    CHECK_EQ(attributes->guid, CLSID_velko_foxpro);
    coclass->ReleaseTypeAttr(attributes);

    UINT count = 0;
    CHECK_HR(control->GetTypeInfoCount(&count), S_OK);
    CHECK_EQ(count, 1u);
}

WIN_TEST(names_resolve_to_the_table_identifiers_in_any_case) {
    const ComRef<IDispatch> control = createControl();
    for (const velko::MemberInfo& member : velko::methodTable()) {
        std::wstring name(member.name.begin(), member.name.end());
        for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
        CHECK_EQ(idOfName(*control.get(), name.c_str()), member.dispid);
    }
    std::wstring unknown = L"NoSuchMethod";
    LPOLESTR names[] = {unknown.data()};
    DISPID id = 0;
    CHECK_HR(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
             DISP_E_UNKNOWNNAME);
}

WIN_TEST(unassigned_identifier_finds_no_member) {
    const ComRef<IDispatch> control = createControl();
    Outcome unassigned;
    invoke(*control.get(), 0x60030007, {}, unassigned);
    CHECK_HR(unassigned.result, DISP_E_MEMBERNOTFOUND);
    Outcome beyond;
    invoke(*control.get(), 0x60030020, {}, beyond);
    CHECK_HR(beyond.result, DISP_E_MEMBERNOTFOUND);
}

WIN_TEST(calls_by_identifier_and_by_name_return_typed_results) {
    const ComRef<IDispatch> control = createControl();
    Outcome state;
    invoke(*control.get(), method("ComPortStateGet"), {}, state);
    CHECK_HR(state.result, S_OK);
    CHECK_EQ(V_VT(&state.value), VT_BOOL);
    CHECK_EQ(V_BOOL(&state.value), VARIANT_FALSE);

    Bstr port(L"COM1");
    Bstr error(L"left alone");
    Outcome closed;
    invoke(*control.get(), idOfName(*control.get(), L"closevelko"),
           {byRef(port.slot()), byRef(error.slot())}, closed);
    CHECK_HR(closed.result, S_OK);
    CHECK_EQ(V_VT(&closed.value), VT_I2);
    CHECK_EQ(V_I2(&closed.value), 0);
    CHECK_EQ(error.text(), std::wstring(L"left alone"));

    Outcome sent;
    invoke(*control.get(), method("TxData"), {}, sent);
    CHECK_HR(sent.result, DISP_E_BADPARAMCOUNT);
    Outcome tooMany;
    invoke(*control.get(), method("ComPortStateGet"), {byValue(short{1})}, tooMany);
    CHECK_HR(tooMany.result, DISP_E_BADPARAMCOUNT);

    // A by-value string parameter takes a value of another type converted.
    Outcome field;
    invoke(*control.get(), method("GetInformationWithIndicator"), {byValue(short{7})}, field);
    CHECK_HR(field.result, S_OK);
    CHECK_EQ(V_VT(&field.value), VT_BSTR);
    CHECK_EQ(textOf(V_BSTR(&field.value)), std::wstring());
}

WIN_TEST(by_reference_strings_are_written_back) {
    const ComRef<IDispatch> control = createControl();
    Bstr port(L"COM99");
    Bstr error(L"");
    Outcome opened;
    invoke(*control.get(), method("OpenVelko"), {byRef(port.slot()), byRef(error.slot())}, opened);
    CHECK_HR(opened.result, S_OK);
    CHECK_EQ(V_I2(&opened.value), 2);
    CHECK_EQ(error.text(), std::wstring(L"COM99 open error"));
    CHECK_EQ(port.text(), std::wstring(L"COM99"));

    Outcome message;
    invoke(*control.get(), method("GetCurrentErrorMsg"), {}, message);
    CHECK_EQ(textOf(V_BSTR(&message.value)), std::wstring(L"COM99 open error"));
    Outcome cleared;
    invoke(*control.get(), method("GetCurrentErrorMsg"), {}, cleared);
    CHECK_EQ(textOf(V_BSTR(&cleared.value)), std::wstring());
}

WIN_TEST(script_variables_by_reference_are_converted_and_written_back) {
    const ComRef<IDispatch> control = createControl();
    VARIANT port;
    VariantInit(&port);
    V_VT(&port) = VT_BSTR;
    V_BSTR(&port) = SysAllocString(L"COM98");
    VARIANT error;  // an unassigned script variable
    VariantInit(&error);
    Outcome opened;
    invoke(*control.get(), method("OpenVelko"), {byRef(&port), byRef(&error)}, opened);
    CHECK_HR(opened.result, S_OK);
    CHECK_EQ(V_I2(&opened.value), 2);
    REQUIRE(V_VT(&error) == VT_BSTR);
    CHECK_EQ(textOf(V_BSTR(&error)), std::wstring(L"COM98 open error"));
    VariantClear(&port);
    VariantClear(&error);

    // A number held in a variable passed for the byte parameter is converted in place.
    VARIANT command;
    VariantInit(&command);
    V_VT(&command) = VT_I2;
    V_I2(&command) = 'n';
    Outcome sent;
    invoke(*control.get(), method("SendCmd"), {byRef(&command)}, sent);
    CHECK_HR(sent.result, S_OK);
    CHECK_EQ(V_VT(&command), VT_UI1);
    CHECK_EQ(V_UI1(&command), 'n');

    V_VT(&command) = VT_I2;
    V_I2(&command) = 300;
    Outcome overflow;
    invoke(*control.get(), method("SendCmd"), {byRef(&command)}, overflow);
    CHECK_HR(overflow.result, DISP_E_OVERFLOW);
    CHECK_EQ(overflow.argumentError, 0u);
}

// A host may pass references to variables of its own types, such as a double for the byte: the
// method works on a converted copy, which goes back into the variable where it converts.
WIN_TEST(references_to_variables_of_other_types_are_converted_both_ways) {
    const ComRef<IDispatch> control = createControl();
    double real = 'n' + 0.25;  // the byte the method sees, and then the variable, is 110
    VARIANT realCommand;
    VariantInit(&realCommand);
    V_VT(&realCommand) = VT_R8 | VT_BYREF;
    V_R8REF(&realCommand) = &real;
    Outcome sent;
    invoke(*control.get(), method("SendCmd"), {realCommand}, sent);
    CHECK_HR(sent.result, S_OK);
    CHECK_EQ(V_BOOL(&sent.value), VARIANT_FALSE);
    CHECK(real == 'n');

    long integer = 300;
    VARIANT wideCommand;
    VariantInit(&wideCommand);
    V_VT(&wideCommand) = VT_I4 | VT_BYREF;
    V_I4REF(&wideCommand) = &integer;
    Outcome overflow;
    invoke(*control.get(), method("SendCmd"), {wideCommand}, overflow);
    CHECK_HR(overflow.result, DISP_E_OVERFLOW);
    CHECK_EQ(overflow.argumentError, 0u);
    CHECK_EQ(integer, 300);

    // A number for the port's name reads as its digits; the message written into a number
    // variable does not convert, and the variable keeps its value.
    double portNumber = 99;
    VARIANT port;
    VariantInit(&port);
    V_VT(&port) = VT_R8 | VT_BYREF;
    V_R8REF(&port) = &portNumber;
    long errorNumber = 0;
    VARIANT error;
    VariantInit(&error);
    V_VT(&error) = VT_I4 | VT_BYREF;
    V_I4REF(&error) = &errorNumber;
    Outcome opened;
    invoke(*control.get(), method("OpenVelko"), {port, error}, opened);
    CHECK_HR(opened.result, S_OK);
    CHECK_EQ(V_I2(&opened.value), 2);
    CHECK_EQ(errorNumber, 0);
    Outcome message;
    invoke(*control.get(), method("GetCurrentErrorMsg"), {}, message);
    CHECK_EQ(textOf(V_BSTR(&message.value)), std::wstring(L"99 open error"));
}

WIN_TEST(named_arguments_take_their_parameters_places) {
    const ComRef<IDispatch> control = createControl();
    std::wstring names[] = {L"OpenVelko", L"errorStr", L"pPortName"};
    LPOLESTR pointers[] = {names[0].data(), names[1].data(), names[2].data()};
    DISPID ids[3] = {};
    REQUIRE(SUCCEEDED(control->GetIDsOfNames(IID_NULL, pointers, 3, LOCALE_USER_DEFAULT, ids)));
    CHECK_EQ(ids[0], method("OpenVelko"));
    CHECK_EQ(ids[1], 1);
    CHECK_EQ(ids[2], 0);

    Bstr port(L"COM97");
    Bstr error(L"");
    Outcome opened;
    invoke(*control.get(), ids[0], {byRef(error.slot()), byRef(port.slot())}, opened,
           {ids[1], ids[2]});
    CHECK_HR(opened.result, S_OK);
    CHECK_EQ(error.text(), std::wstring(L"COM97 open error"));
    CHECK_EQ(port.text(), std::wstring(L"COM97"));
}

WIN_TEST(omitted_optional_strings_read_as_empty) {
    const ComRef<IDispatch> control = createControl();
    unsigned char command = 'n';
    // Left off the end, marked missing in the middle, and given explicitly: the same outcome.
    Outcome leftOff;
    invoke(*control.get(), method("SendCmd"), {byRef(&command)}, leftOff);
    Bstr third(L"");
    Outcome middle;
    invoke(*control.get(), method("SendCmd"),
           {byRef(&command), omitted(), omitted(), byRef(third.slot())}, middle);
    Bstr first(L"");
    Outcome given;
    invoke(*control.get(), method("SendCmd"), {byRef(&command), byRef(first.slot())}, given);
    for (Outcome* outcome : {&leftOff, &middle, &given}) {
        CHECK_HR(outcome->result, S_OK);
        CHECK_EQ(V_VT(&outcome->value), VT_BOOL);
        CHECK_EQ(V_BOOL(&outcome->value), VARIANT_FALSE);
    }
    CHECK_EQ(command, 'n');

    // Through the table, an optional string left out is a null reference.
    const auto table = queryInterface<_velko_foxpro>(*control.get(), IID__velko_foxpro);
    REQUIRE(table);
    VARIANT_BOOL result = VARIANT_TRUE;
    CHECK_HR(table->SendCmd(&command, nullptr, nullptr, nullptr, &result), S_OK);
    CHECK_EQ(result, VARIANT_FALSE);
}

WIN_TEST(run_time_errors_carry_number_and_description) {
    const ComRef<IDispatch> control = createControl();
    Outcome earlier;
    invoke(*control.get(), method("GetCurrentErrorMsg"), {}, earlier);
    Bstr data(L"ATZ");
    Outcome sent;
    invoke(*control.get(), method("TxData"), {byRef(data.slot())}, sent);
    CHECK_HR(sent.result, DISP_E_EXCEPTION);
    CHECK_HR(sent.exception.scode, kPortNotOpen);
    CHECK_EQ(textOf(sent.exception.bstrDescription), std::wstring(kPortNotOpenText));

    // The table reports the same failure as its HRESULT and the thread's error information.
    const auto table = queryInterface<_velko_foxpro>(*control.get(), IID__velko_foxpro);
    REQUIRE(table);
    VARIANT result;
    VariantInit(&result);
    CHECK_HR(table->TxData(data.slot(), &result), kPortNotOpen);
    ComRef<IErrorInfo> info;
    REQUIRE(GetErrorInfo(0, info.put()) == S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    CHECK_EQ(textOf(description), std::wstring(kPortNotOpenText));
    SysFreeString(description);

    // The message the host reads afterwards falls back to the last run-time error.
    Outcome message;
    invoke(*control.get(), method("GetCurrentErrorMsg"), {}, message);
    CHECK_EQ(textOf(V_BSTR(&message.value)), std::wstring(kPortNotOpenText));
}
