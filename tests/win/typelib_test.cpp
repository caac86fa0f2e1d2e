// The type library embedded in velko_fox.ocx: its identity, its four types, and agreement with
// the automation table on every name, dispatch identifier, parameter, type and passing mode.
#include <oaidl.h>

#include "control/automation_table.h"
#include "platform/win32/com/com_ref.h"
#include "tests/win/support/check.h"
#include "tests/win/support/module_files.h"
#include "tests/win/support/type_names.h"

using velko::win32::ComRef;
using namespace velko::wintest;

namespace {

// The fixed identifiers: they must not change from build to build.
constexpr GUID kLibraryId = {
    0xA7CD97E8, 0xFEC8, 0x4962, {0xAA, 0x3A, 0xE8, 0x9C, 0x34, 0x7E, 0x0D, 0xFB}};
constexpr GUID kDualInterfaceId = {
    0x1962C8F4, 0x93DE, 0x4F26, {0x90, 0x67, 0x8F, 0xAD, 0xE1, 0xAE, 0xBE, 0x3F}};
constexpr GUID kClassId = {
    0x384B0812, 0x9145, 0x44B8, {0xB0, 0xAD, 0x52, 0x8B, 0x16, 0xD6, 0x12, 0x3E}};
constexpr GUID kEventInterfaceId = {
    0x4792D7FE, 0x79F7, 0x477F, {0x9F, 0xE8, 0x6B, 0x4F, 0x87, 0xB8, 0xA0, 0xD8}};
constexpr GUID kRecordId = {
    0x2CF38B94, 0x4A96, 0x4B0D, {0x88, 0xB3, 0x2B, 0x1E, 0x0F, 0xBD, 0x7A, 0x37}};
constexpr GUID kStdOleLibraryId = {
    0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Each architecture's module embeds a library built for it: pointers and strings take 8 bytes in
// the 64-bit one, and the record's fields are aligned to them.
constexpr bool k64Bit = sizeof(void*) == 8;

constexpr UINT kDualInterface = 0;
constexpr UINT kControlClass = 1;
constexpr UINT kEventInterface = 2;
constexpr UINT kRecord = 3;

ComRef<ITypeLib> loadLibrary() {
    ComRef<ITypeLib> library;
    const HRESULT loaded = LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, library.put());
    CHECK_HR(loaded, S_OK);
    REQUIRE(library);
    return library;
}

ComRef<ITypeInfo> typeAt(ITypeLib& library, UINT index) {
    ComRef<ITypeInfo> info;
    REQUIRE(SUCCEEDED(library.GetTypeInfo(index, info.put())));
    return info;
}

// Type attributes, released with the holder.
class Attributes {
  public:
    explicit Attributes(ITypeInfo& info) : info_(info) {
        REQUIRE(SUCCEEDED(info.GetTypeAttr(&attributes_)));
    }
    ~Attributes() { info_.ReleaseTypeAttr(attributes_); }
    const TYPEATTR* operator->() const { return attributes_; }

  private:
    ITypeInfo& info_;
    TYPEATTR* attributes_ = nullptr;
};

class Function {
  public:
    Function(ITypeInfo& info, UINT index) : info_(info) {
        REQUIRE(SUCCEEDED(info.GetFuncDesc(index, &function_)));
    }
    ~Function() { info_.ReleaseFuncDesc(function_); }
    const FUNCDESC* operator->() const { return function_; }
    const FUNCDESC& operator*() const { return *function_; }

  private:
    ITypeInfo& info_;
    FUNCDESC* function_ = nullptr;
};

class Variable {
  public:
    Variable(ITypeInfo& info, UINT index) : info_(info) {
        REQUIRE(SUCCEEDED(info.GetVarDesc(index, &variable_)));
    }
    ~Variable() { info_.ReleaseVarDesc(variable_); }
    const VARDESC* operator->() const { return variable_; }

  private:
    ITypeInfo& info_;
    VARDESC* variable_ = nullptr;
};

bool hasFlags(unsigned actual, unsigned wanted) { return (actual & wanted) == wanted; }

// The parameters of a function against the table's, and the retval parameter for a result.
void checkParameters(ITypeInfo& info, const FUNCDESC& function, const velko::MemberInfo& member) {
    const std::vector<std::string> names = memberNames(info, function.memid);
    const bool hasResult = member.result != velko::VarType::Empty;
    REQUIRE(function.cParams == static_cast<SHORT>(member.params.size() + (hasResult ? 1 : 0)));
    REQUIRE(names.size() >= member.params.size() + 1);
    for (size_t i = 0; i < member.params.size(); ++i) {
        const velko::ParamInfo& parameter = member.params[i];
        const ELEMDESC& element = function.lprgelemdescParam[i];
        CHECK_EQ(names[i + 1], std::string(parameter.name));
        CHECK_EQ(idlTypeName(info, element.tdesc), idlTypeName(parameter.type, parameter.byRef));
        CHECK_EQ(element.paramdesc.wParamFlags, parameterFlags(parameter));
    }
    if (hasResult) {
        const ELEMDESC& result = function.lprgelemdescParam[member.params.size()];
        CHECK_EQ(idlTypeName(info, result.tdesc), idlTypeName(member.result, true));
        CHECK_EQ(result.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    }
}

}  // namespace

WIN_TEST(library_identity) {
    const ComRef<ITypeLib> library = loadLibrary();
    TLIBATTR* attributes = nullptr;
    REQUIRE(SUCCEEDED(library->GetLibAttr(&attributes)));
    CHECK_EQ(attributes->guid, kLibraryId);
    CHECK_EQ(attributes->wMajorVerNum, 1);
    CHECK_EQ(attributes->wMinorVerNum, 1);
    CHECK_EQ(attributes->syskind, k64Bit ? SYS_WIN64 : SYS_WIN32);
    CHECK(hasFlags(attributes->wLibFlags, LIBFLAG_FCONTROL));
    library->ReleaseTLibAttr(attributes);

    BSTR name = nullptr;
    BSTR help = nullptr;
    REQUIRE(SUCCEEDED(library->GetDocumentation(-1, &name, &help, nullptr, nullptr)));
    CHECK_EQ(narrow(name), std::string("velko_for_fox_pro"));
    CHECK_EQ(narrow(help), std::string("velko"));
    SysFreeString(name);
    SysFreeString(help);
}

WIN_TEST(exactly_four_types_in_order) {
    const ComRef<ITypeLib> library = loadLibrary();
    REQUIRE(library->GetTypeInfoCount() == 4);
    struct Expected {
        const char* name;
        TYPEKIND kind;
        GUID guid;
        unsigned flags;
    };
    const Expected expected[] = {
        {"_velko_foxpro", TKIND_DISPATCH, kDualInterfaceId,
         TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE},
        {"velko_foxpro", TKIND_COCLASS, kClassId, TYPEFLAG_FCONTROL | TYPEFLAG_FCANCREATE},
        {"__velko_foxpro", TKIND_DISPATCH, kEventInterfaceId,
         TYPEFLAG_FHIDDEN | TYPEFLAG_FDISPATCHABLE},
        {"CID_INFO", TKIND_RECORD, kRecordId, 0},
    };
    for (UINT i = 0; i < 4; ++i) {
        const ComRef<ITypeInfo> info = typeAt(*library, i);
        const Attributes attributes(*info.get());
        CHECK_EQ(documentedName(*info.get()), std::string(expected[i].name));
        CHECK_EQ(attributes->typekind, expected[i].kind);
        CHECK_EQ(attributes->guid, expected[i].guid);
        CHECK_EQ(attributes->wTypeFlags & expected[i].flags, expected[i].flags);
    }
    const ComRef<ITypeInfo> dual = typeAt(*library, kDualInterface);
    const Attributes dualAttributes(*dual.get());
    CHECK_EQ(dualAttributes->wMajorVerNum, 1);
    CHECK_EQ(dualAttributes->wMinorVerNum, 1);
}

WIN_TEST(control_class_interfaces) {
    const ComRef<ITypeLib> library = loadLibrary();
    const ComRef<ITypeInfo> control = typeAt(*library, kControlClass);
    const Attributes attributes(*control.get());
    REQUIRE(attributes->cImplTypes == 2);
    const GUID expected[] = {kDualInterfaceId, kEventInterfaceId};
    const INT expectedFlags[] = {IMPLTYPEFLAG_FDEFAULT,
                                 IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE};
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        ComRef<ITypeInfo> implemented;
        REQUIRE(SUCCEEDED(control->GetImplTypeFlags(i, &flags)));
        REQUIRE(SUCCEEDED(control->GetRefTypeOfImplType(i, &reference)));
        REQUIRE(SUCCEEDED(control->GetRefTypeInfo(reference, implemented.put())));
        CHECK_EQ(flags, expectedFlags[i]);
        CHECK_EQ(Attributes(*implemented.get())->guid, expected[i]);
    }
}

WIN_TEST(dual_interface_agrees_with_the_automation_table) {
    const ComRef<ITypeLib> library = loadLibrary();
    const ComRef<ITypeInfo> dispatch = typeAt(*library, kDualInterface);
    HREFTYPE tableReference = 0;
    ComRef<ITypeInfo> table;
    REQUIRE(SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &tableReference)));
    REQUIRE(SUCCEEDED(dispatch->GetRefTypeInfo(tableReference, table.put())));

    // The table half of the dual interface carries the automation-compatible flag.
    const Attributes attributes(*table.get());
    CHECK_EQ(attributes->typekind, TKIND_INTERFACE);
    const unsigned tableFlags =
        TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION;
    CHECK_EQ(attributes->wTypeFlags & tableFlags, tableFlags);
    CHECK_EQ(attributes->wMajorVerNum, 1);
    CHECK_EQ(attributes->wMinorVerNum, 1);
    const auto methods = velko::methodTable();
    REQUIRE(attributes->cFuncs == methods.size());

    // The base interface is IDispatch from the standard OLE library.
    HREFTYPE baseReference = 0;
    ComRef<ITypeInfo> base;
    ComRef<ITypeLib> baseLibrary;
    UINT baseIndex = 0;
    REQUIRE(SUCCEEDED(table->GetRefTypeOfImplType(0, &baseReference)));
    REQUIRE(SUCCEEDED(table->GetRefTypeInfo(baseReference, base.put())));
    REQUIRE(SUCCEEDED(base->GetContainingTypeLib(baseLibrary.put(), &baseIndex)));
    CHECK_EQ(Attributes(*base.get())->guid, IID_IDispatch);
    TLIBATTR* baseAttributes = nullptr;
    REQUIRE(SUCCEEDED(baseLibrary->GetLibAttr(&baseAttributes)));
    CHECK_EQ(baseAttributes->guid, kStdOleLibraryId);
    baseLibrary->ReleaseTLibAttr(baseAttributes);

    for (UINT slot = 0; slot < methods.size(); ++slot) {
        const velko::MemberInfo& method = methods[slot];
        const Function function(*table.get(), slot);
        CHECK_EQ(memberNames(*table.get(), function->memid).at(0), std::string(method.name));
        CHECK_EQ(function->memid, method.dispid);
        CHECK_EQ(function->invkind, INVOKE_FUNC);
        CHECK_EQ(function->callconv, CC_STDCALL);
        // Slots follow IUnknown's three and IDispatch's four, in table order.
        CHECK_EQ(function->oVft, static_cast<SHORT>((7 + slot) * sizeof(void*)));
        CHECK_EQ(idlTypeName(*table.get(), function->elemdescFunc.tdesc), std::string("HRESULT"));
        checkParameters(*table.get(), *function, method);
    }
}

WIN_TEST(unassigned_identifier_between_EventTest_and_ProcessReport) {
    const ComRef<ITypeLib> library = loadLibrary();
    const ComRef<ITypeInfo> dispatch = typeAt(*library, kDualInterface);
    ComRef<ITypeInfo2> described;
    REQUIRE(SUCCEEDED(
        dispatch->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(described.put()))));
    UINT index = 0;
    CHECK(FAILED(described->GetFuncIndexOfMemId(0x60030007, INVOKE_FUNC, &index)));
    CHECK(velko::findMethod(0x60030007) == nullptr);
}

WIN_TEST(event_interface_agrees_with_the_automation_table) {
    const ComRef<ITypeLib> library = loadLibrary();
    const ComRef<ITypeInfo> events = typeAt(*library, kEventInterface);
    const Attributes attributes(*events.get());
    const auto table = velko::eventTable();
    REQUIRE(attributes->cFuncs == table.size());
    for (UINT i = 0; i < table.size(); ++i) {
        const velko::MemberInfo& event = table[i];
        const Function function(*events.get(), i);
        CHECK_EQ(memberNames(*events.get(), function->memid).at(0), std::string(event.name));
        CHECK_EQ(function->memid, event.dispid);
        CHECK_EQ(function->funckind, FUNC_DISPATCH);
        CHECK_EQ(idlTypeName(*events.get(), function->elemdescFunc.tdesc), std::string("void"));
        checkParameters(*events.get(), *function, event);
    }
}

WIN_TEST(cid_info_record_layout) {
    const ComRef<ITypeLib> library = loadLibrary();
    const ComRef<ITypeInfo> record = typeAt(*library, kRecord);
    const Attributes attributes(*record.get());
    CHECK_EQ(attributes->cbSizeInstance, k64Bit ? 40 : 24);
    CHECK_EQ(attributes->cbAlignment, k64Bit ? 8 : 4);
    REQUIRE(attributes->cVars == 8);
    struct Field {
        const char* name;
        const char* type;
        ULONG offset32;
        ULONG offset64;
    };
    const Field fields[] = {
        {"lMonth", "short", 0, 0},   {"lDay", "short", 2, 2},      {"lHour", "short", 4, 4},
        {"lMin", "short", 6, 6},     {"lNumber", "BSTR", 8, 8},    {"lName", "BSTR", 12, 16},
        {"lGroup", "short", 16, 24}, {"lTelType", "BSTR", 20, 32},
    };
    for (UINT i = 0; i < 8; ++i) {
        const Variable variable(*record.get(), i);
        CHECK_EQ(memberNames(*record.get(), variable->memid).at(0), std::string(fields[i].name));
        CHECK_EQ(idlTypeName(*record.get(), variable->elemdescVar.tdesc),
                 std::string(fields[i].type));
        CHECK_EQ(variable->varkind, VAR_PERINSTANCE);
        CHECK_EQ(variable->oInst, k64Bit ? fields[i].offset64 : fields[i].offset32);
    }
}

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = runAll(argc, argv, 1);
    CoUninitialize();
    return result;
}
