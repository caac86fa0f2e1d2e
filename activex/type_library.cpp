#include "activex/type_library.h"

#include "activex/module_identity.h"
#include "activex/module_runtime.h"
#include "control/runtime_error.h"

namespace velko::win32 {

namespace {

void throwIfFailed(HRESULT result) {
    if (FAILED(result)) throw RuntimeError(static_cast<int32_t>(result), u"Automation error");
}

ComRef<ITypeInfo> typeNamed(ITypeLib& library, const wchar_t* name) {
    std::wstring buffer(name);
    ComRef<ITypeInfo> info;
    MEMBERID member = 0;
    USHORT found = 1;
    throwIfFailed(library.FindName(buffer.data(), 0, info.put(), &member, &found));
    if (found == 0) throwIfFailed(TYPE_E_ELEMENTNOTFOUND);
    return info;
}

}  // namespace

TypeLibrary::TypeLibrary() {
    const std::wstring path = module_runtime::modulePath();
    ComRef<ITypeLib> library;
    throwIfFailed(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()));

    ComRef<ITypeInfo> dispatch;
    throwIfFailed(library->GetTypeInfoOfGuid(kDualInterfaceId, dispatch.put()));
    HREFTYPE table = 0;
    throwIfFailed(dispatch->GetRefTypeOfImplType(-1, &table));
    throwIfFailed(dispatch->GetRefTypeInfo(table, dualInterface_.put()));

    throwIfFailed(library->GetTypeInfoOfGuid(kClassId, controlClass_.put()));

    const ComRef<ITypeInfo> record = typeNamed(*library, L"CID_INFO");
    throwIfFailed(GetRecordInfoFromTypeInfo(record.get(), cidInfoRecord_.put()));
}

}  // namespace velko::win32
