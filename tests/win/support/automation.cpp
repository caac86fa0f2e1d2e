#include "tests/win/support/automation.h"

#include <algorithm>

#include "control/automation_table.h"

namespace velko::wintest {

VARIANT byValue(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}

VARIANT byValue(short number) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I2;
    V_I2(&v) = number;
    return v;
}

VARIANT byRef(BSTR* text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&v) = text;
    return v;
}

VARIANT byRef(unsigned char* byte) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_UI1 | VT_BYREF;
    V_UI1REF(&v) = byte;
    return v;
}

VARIANT byRef(VARIANT* variable) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = variable;
    return v;
}

VARIANT omitted() {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}

Outcome::Outcome() { VariantInit(&value); }

Outcome::~Outcome() {
    VariantClear(&value);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

void invoke(IDispatch& target, DISPID member, std::vector<VARIANT> arguments, Outcome& outcome,
            const std::vector<DISPID>& named) {
    // Named arguments first, then the positional ones from last to first.
    std::vector<VARIANT> passed(arguments.begin(), arguments.begin() + named.size());
    passed.insert(passed.end(), arguments.rbegin(), arguments.rend() - named.size());
    std::vector<DISPID> names = named;
    DISPPARAMS params{passed.data(), names.data(), static_cast<UINT>(passed.size()),
                      static_cast<UINT>(names.size())};
    outcome.result = target.Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                   &outcome.value, &outcome.exception, &outcome.argumentError);
}

DISPID idOfName(IDispatch& target, const wchar_t* name) {
    std::wstring buffer(name);
    LPOLESTR names[] = {buffer.data()};
    DISPID id = DISPID_UNKNOWN;
    target.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

std::wstring textOf(BSTR text) {
    return text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text));
}

DISPID method(const char* name) { return velko::findMethod(name)->dispid; }

DISPID event(const char* name) { return velko::findEvent(name)->dispid; }

}  // namespace velko::wintest
