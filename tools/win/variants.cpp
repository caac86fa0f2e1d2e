#include "tools/win/variants.h"

#include <algorithm>
#include <string>

#include "platform/win32/com/bstr_text.h"
#include "tools/win/com_failure.h"

namespace velko::tools::win {

namespace {

struct VariantVisitor {
    VARIANT& target;

    void operator()(const Empty&) const { target.vt = VT_EMPTY; }
    void operator()(bool value) const {
        target.vt = VT_BOOL;
        target.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    void operator()(uint8_t value) const {
        target.vt = VT_UI1;
        target.bVal = value;
    }
    void operator()(int16_t value) const {
        target.vt = VT_I2;
        target.iVal = value;
    }
    void operator()(const Text& value) const {
        target.vt = VT_BSTR;
        target.bstrVal = win32::newBstr(value);
    }
    void operator()(const CID_INFO&) const { target.vt = VT_EMPTY; }
    void operator()(const CidList&) const { target.vt = VT_EMPTY; }
};

// The VARIANT's value converted to a plain type; a reference is followed.
void convert(const VARIANT& source, VARIANT& converted, VARTYPE type) {
    const HRESULT result = VariantChangeType(&converted, const_cast<VARIANT*>(&source), 0, type);
    if (FAILED(result)) fail(result);
}

Value scalarOf(const VARIANT& variant, VarType type) {
    OwnedVariant converted;
    switch (type) {
        case VarType::Bool:
            convert(variant, *converted.get(), VT_BOOL);
            return Value{(*converted).boolVal != VARIANT_FALSE};
        case VarType::Byte:
            convert(variant, *converted.get(), VT_UI1);
            return Value{static_cast<uint8_t>((*converted).bVal)};
        case VarType::Int16:
            convert(variant, *converted.get(), VT_I2);
            return Value{static_cast<int16_t>((*converted).iVal)};
        default:
            convert(variant, *converted.get(), VT_BSTR);
            return Value{win32::textOf((*converted).bstrVal)};
    }
}

// A Variant as it stands: its own type decides.
Value anyOf(const VARIANT& variant) {
    switch (V_VT(&variant) & ~VT_BYREF) {
        case VT_EMPTY:
        case VT_NULL:
            return Value{Empty{}};
        case VT_BOOL:
            return scalarOf(variant, VarType::Bool);
        case VT_UI1:
            return scalarOf(variant, VarType::Byte);
        case VT_I2:
            return scalarOf(variant, VarType::Int16);
        default:
            return scalarOf(variant, VarType::String);
    }
}

// The field is read in place (GetFieldNoCopy): Wine's GetField hands out the record's own
// strings instead of copies, so clearing its VARIANT would free them under the record.
Value fieldOf(IRecordInfo& info, void* record, const wchar_t* name, VarType type) {
    VARIANT field;
    VariantInit(&field);
    void* inPlace = nullptr;
    const HRESULT result = info.GetFieldNoCopy(record, name, &field, &inPlace);
    if (FAILED(result)) fail(result);
    return scalarOf(field, type);
}

CID_INFO recordOf(IRecordInfo& info, void* record) {
    const auto number = [&](const wchar_t* name) {
        return std::get<int16_t>(fieldOf(info, record, name, VarType::Int16));
    };
    const auto text = [&](const wchar_t* name) {
        return std::get<Text>(fieldOf(info, record, name, VarType::String));
    };
    CID_INFO entry;
    entry.lMonth = number(L"lMonth");
    entry.lDay = number(L"lDay");
    entry.lHour = number(L"lHour");
    entry.lMin = number(L"lMin");
    entry.lNumber = text(L"lNumber");
    entry.lName = text(L"lName");
    entry.lGroup = number(L"lGroup");
    entry.lTelType = text(L"lTelType");
    return entry;
}

Value recordValueOf(const VARIANT& variant) {
    if ((V_VT(&variant) & ~VT_BYREF) != VT_RECORD) fail(DISP_E_TYPEMISMATCH);
    return Value{recordOf(*variant.pRecInfo, variant.pvRecord)};
}

// An array of records, indexes counted from its lower bound; entries past the list's size are
// left out, missing ones stay empty.
Value recordArrayOf(const VARIANT& variant) {
    if ((V_VT(&variant) & ~VT_BYREF) != (VT_ARRAY | VT_RECORD)) fail(DISP_E_TYPEMISMATCH);
    SAFEARRAY* array = (V_VT(&variant) & VT_BYREF) != 0 ? *variant.pparray : variant.parray;
    if (array == nullptr || SafeArrayGetDim(array) != 1) fail(DISP_E_TYPEMISMATCH);
    IRecordInfo* info = nullptr;
    HRESULT result = SafeArrayGetRecordInfo(array, &info);
    if (FAILED(result)) fail(result);
    char* data = nullptr;
    result = SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    if (FAILED(result)) {
        info->Release();
        fail(result);
    }
    CidList list;
    try {
        const size_t count = std::min<size_t>(array->rgsabound[0].cElements, list.size());
        for (size_t i = 0; i < count; ++i) {
            list[i] = recordOf(*info, data + i * SafeArrayGetElemsize(array));
        }
    } catch (...) {
        SafeArrayUnaccessData(array);
        info->Release();
        throw;
    }
    SafeArrayUnaccessData(array);
    info->Release();
    return Value{list};
}

}  // namespace

void assign(VARIANT& target, const Value& value) { std::visit(VariantVisitor{target}, value); }

Value valueOf(const VARIANT& variant, VarType type) {
    switch (type) {
        case VarType::Empty:
            return Value{Empty{}};
        case VarType::Variant:
            return anyOf(variant);
        case VarType::Record:
            return recordValueOf(variant);
        case VarType::RecordArray:
            return recordArrayOf(variant);
        default:
            return scalarOf(variant, type);
    }
}

}  // namespace velko::tools::win
