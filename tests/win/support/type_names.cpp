#include "tests/win/support/type_names.h"

#include "platform/win32/com/com_ref.h"

namespace velko::wintest {

std::string narrow(const wchar_t* text) {
    std::string result;
    for (; text != nullptr && *text != 0; ++text) result += static_cast<char>(*text);
    return result;
}

std::string documentedName(ITypeInfo& info) {
    BSTR name = nullptr;
    info.GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    const std::string result = narrow(name);
    SysFreeString(name);
    return result;
}

std::string idlTypeName(ITypeInfo& context, const TYPEDESC& type) {
    switch (type.vt) {
        case VT_PTR:
            return idlTypeName(context, *type.lptdesc) + "*";
        case VT_SAFEARRAY:
            return "SAFEARRAY(" + idlTypeName(context, *type.lptdesc) + ")";
        case VT_USERDEFINED: {
            win32::ComRef<ITypeInfo> referenced;
            if (FAILED(context.GetRefTypeInfo(type.hreftype, referenced.put()))) return "?";
            return documentedName(*referenced.get());
        }
        case VT_BSTR:
            return "BSTR";
        case VT_I2:
            return "short";
        case VT_UI1:
            return "unsigned char";
        case VT_BOOL:
            return "VARIANT_BOOL";
        case VT_VARIANT:
            return "VARIANT";
        case VT_HRESULT:
            return "HRESULT";
        case VT_VOID:
            return "void";
        default:
            return "vt" + std::to_string(type.vt);
    }
}

std::string idlTypeName(VarType type, bool byRef) {
    std::string name;
    switch (type) {
        case VarType::Empty:
            name = "void";
            break;
        case VarType::Bool:
            name = "VARIANT_BOOL";
            break;
        case VarType::Byte:
            name = "unsigned char";
            break;
        case VarType::Int16:
            name = "short";
            break;
        case VarType::String:
            name = "BSTR";
            break;
        case VarType::Variant:
            name = "VARIANT";
            break;
        case VarType::Record:
            name = "CID_INFO";
            break;
        case VarType::RecordArray:
            name = "SAFEARRAY(CID_INFO)";
            break;
    }
    return byRef ? name + "*" : name;
}

USHORT parameterFlags(const ParamInfo& parameter) {
    USHORT flags = PARAMFLAG_FIN;
    if (parameter.byRef) flags |= PARAMFLAG_FOUT;
    if (parameter.optional) flags |= PARAMFLAG_FOPT;
    return flags;
}

std::vector<std::string> memberNames(ITypeInfo& info, MEMBERID member) {
    BSTR names[16] = {};
    UINT count = 0;
    info.GetNames(member, names, 16, &count);
    std::vector<std::string> result;
    for (UINT i = 0; i < count; ++i) {
        result.push_back(narrow(names[i]));
        SysFreeString(names[i]);
    }
    return result;
}

}  // namespace velko::wintest
