#include "activex/dispatch_arguments.h"

#include <cstring>

#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

namespace {

// The description of the method with a dispatch identifier; empty when there is none.
class FunctionDescription {
  public:
    FunctionDescription(ITypeInfo& table, MEMBERID member) {
        UINT index = 0;
        if (SUCCEEDED(
                table.QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(table_.put()))) &&
            SUCCEEDED(table_->GetFuncIndexOfMemId(member, INVOKE_FUNC, &index))) {
            table_->GetFuncDesc(index, &description_);
        }
    }
    FunctionDescription(const FunctionDescription&) = delete;
    FunctionDescription& operator=(const FunctionDescription&) = delete;
    ~FunctionDescription() {
        if (description_ != nullptr) table_->ReleaseFuncDesc(description_);
    }
    const FUNCDESC* get() const { return description_; }

  private:
    ComRef<ITypeInfo2> table_;
    FUNCDESC* description_ = nullptr;
};

bool isOmitted(const VARIANT* argument) {
    return argument == nullptr ||
           (V_VT(argument) == VT_ERROR && V_ERROR(argument) == DISP_E_PARAMNOTFOUND);
}

// Every member of a variant's value union starts at the same address.
void* valueSlot(VARIANT* variant) { return &V_BSTR(variant); }

// The bytes a value of a plain number type takes; 0 for any other type.
size_t numberSize(VARTYPE type) {
    switch (type) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
            return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
            return 8;
        default:
            return 0;
    }
}

// A typed reference to a number or a text of another type than the parameter's own.
bool referencesAnotherPlainType(const VARIANT& argument, VARTYPE parameterType) {
    const VARTYPE type = V_VT(&argument) & ~VT_BYREF;
    return (V_VT(&argument) & VT_BYREF) != 0 && type != parameterType &&
           (type == VT_BSTR || numberSize(type) > 0) &&
           (parameterType == VT_BSTR || numberSize(parameterType) > 0);
}

HRESULT conversionFailure(HRESULT result) {
    return result == DISP_E_OVERFLOW ? result : DISP_E_TYPEMISMATCH;
}

UINT declaredParameters(const FUNCDESC& function) {
    UINT count = static_cast<UINT>(function.cParams);
    if (count > 0 &&
        (function.lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0) {
        --count;
    }
    return count;
}

}  // namespace

DispatchArguments::~DispatchArguments() {
    for (BSTR value : omittedStrings_) SysFreeString(value);
    for (ConvertedReference& reference : converted_) VariantClear(&reference.copy);
}

void DispatchArguments::writeBack() {
    for (ConvertedReference& reference : converted_) {
        const VARTYPE type = V_VT(reference.caller) & ~VT_BYREF;
        VARIANT back;
        VariantInit(&back);
        if (FAILED(VariantChangeType(&back, &reference.copy, 0, type))) continue;
        if (type == VT_BSTR) {
            SysFreeString(*V_BSTRREF(reference.caller));
            *V_BSTRREF(reference.caller) = V_BSTR(&back);
        } else {
            std::memcpy(V_BYREF(reference.caller), valueSlot(&back), numberSize(type));
        }
    }
}

UINT DispatchArguments::callerIndex(UINT preparedIndex) const {
    const auto count = static_cast<UINT>(callerIndexOfParameter_.size());
    return preparedIndex < count ? callerIndexOfParameter_[count - 1 - preparedIndex]
                                 : preparedIndex;
}

HRESULT DispatchArguments::prepare(ITypeInfo& table, MEMBERID member, const DISPPARAMS& given,
                                   UINT* argumentError) {
    const FunctionDescription function(table, member);
    if (function.get() == nullptr) return DISP_E_MEMBERNOTFOUND;
    const FUNCDESC& description = *function.get();
    const UINT declared = declaredParameters(description);
    if (given.cArgs > declared || given.cNamedArgs > given.cArgs) return DISP_E_BADPARAMCOUNT;

    // Named arguments come first in rgvarg, then the positional ones, last parameter first.
    std::vector<VARIANT*> byParameter(declared, nullptr);
    callerIndexOfParameter_.assign(declared, 0);
    for (UINT i = 0; i < given.cArgs; ++i) {
        const LONG parameter = i < given.cNamedArgs ? given.rgdispidNamedArgs[i]
                                                    : static_cast<LONG>(given.cArgs - 1 - i);
        if (parameter < 0 || static_cast<UINT>(parameter) >= declared ||
            byParameter[parameter] != nullptr) {
            if (argumentError != nullptr) *argumentError = i;
            return DISP_E_PARAMNOTFOUND;
        }
        byParameter[parameter] = &given.rgvarg[i];
        callerIndexOfParameter_[parameter] = i;
    }

    // Arguments point into both: neither may move once filled.
    omittedStrings_.reserve(declared);
    converted_.reserve(declared);
    reversed_.resize(declared);
    for (UINT p = 0; p < declared; ++p) {
        const ELEMDESC& element = description.lprgelemdescParam[p];
        const bool byRef = element.tdesc.vt == VT_PTR;
        const VARTYPE type = byRef ? element.tdesc.lptdesc->vt : element.tdesc.vt;
        const bool optional = (element.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
        VARIANT* argument = byParameter[p];
        VARIANT& prepared = reversed_[declared - 1 - p];
        VariantInit(&prepared);

        if (isOmitted(argument)) {
            if (!optional && argument == nullptr) return DISP_E_BADPARAMCOUNT;
            if (optional && byRef && type == VT_BSTR) {
                omittedStrings_.push_back(nullptr);
                V_VT(&prepared) = VT_BSTR | VT_BYREF;
                V_BSTRREF(&prepared) = &omittedStrings_.back();
                continue;
            }
            if (argument == nullptr) {
                V_VT(&prepared) = VT_ERROR;
                V_ERROR(&prepared) = DISP_E_PARAMNOTFOUND;
                continue;
            }
        }

        if (byRef && referencesAnotherPlainType(*argument, type)) {
            ConvertedReference& reference = converted_.emplace_back();
            reference.caller = argument;
            VariantInit(&reference.copy);
            HRESULT converted = VariantCopyInd(&reference.copy, argument);
            if (SUCCEEDED(converted)) {
                converted = VariantChangeType(&reference.copy, &reference.copy, 0, type);
            }
            if (FAILED(converted)) {
                if (argumentError != nullptr) *argumentError = callerIndexOfParameter_[p];
                return conversionFailure(converted);
            }
            V_VT(&prepared) = type | VT_BYREF;
            V_BYREF(&prepared) = valueSlot(&reference.copy);
            continue;
        }
        if (V_VT(argument) != (VT_VARIANT | VT_BYREF) || type == VT_VARIANT) {
            prepared = *argument;
            continue;
        }
        VARIANT* variable = V_VARIANTREF(argument);
        if (!byRef || V_VT(variable) == (type | VT_BYREF)) {
            prepared = *variable;
            continue;
        }
        if (V_VT(variable) != type) {
            const HRESULT converted = VariantChangeType(variable, variable, 0, type);
            if (FAILED(converted)) {
                if (argumentError != nullptr) *argumentError = callerIndexOfParameter_[p];
                return conversionFailure(converted);
            }
        }
        V_VT(&prepared) = type | VT_BYREF;
        V_BYREF(&prepared) = valueSlot(variable);
    }

    params_.rgvarg = reversed_.data();
    params_.cArgs = declared;
    params_.rgdispidNamedArgs = nullptr;
    params_.cNamedArgs = 0;
    return S_OK;
}

}  // namespace velko::win32
