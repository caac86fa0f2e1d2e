#include "tools/win/com_control.h"

#include "tools/win/com_failure.h"

namespace velko::tools::win {

namespace {

// Releases a type attribute when it goes.
class TypeAttributes {
  public:
    explicit TypeAttributes(ITypeInfo& info) : info_(info) {
        check(info.GetTypeAttr(&attributes_), "ITypeInfo::GetTypeAttr");
    }
    ~TypeAttributes() { info_.ReleaseTypeAttr(attributes_); }
    TypeAttributes(const TypeAttributes&) = delete;
    TypeAttributes& operator=(const TypeAttributes&) = delete;

    const TYPEATTR* operator->() const { return attributes_; }

  private:
    ITypeInfo& info_;
    TYPEATTR* attributes_ = nullptr;
};

}  // namespace

ComControl::ComControl() {
    CLSID classId;
    check(CLSIDFromProgID(kProgId, &classId), "CLSIDFromProgID");
    check(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                           reinterpret_cast<void**>(dispatch_.put())),
          "CoCreateInstance");
    eventInterface_ = findEventInterface(classId);
}

ComControl::~ComControl() {
    if (connectionPoint_) connectionPoint_->Unadvise(cookie_);
}

// The interface the class marks as its default source, read from the library that holds the
// type information of the control's interface.
IID ComControl::findEventInterface(const CLSID& classId) {
    win32::ComRef<ITypeInfo> interfaceInfo;
    check(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, interfaceInfo.put()),
          "IDispatch::GetTypeInfo");
    win32::ComRef<ITypeLib> library;
    UINT index = 0;
    check(interfaceInfo->GetContainingTypeLib(library.put(), &index),
          "ITypeInfo::GetContainingTypeLib");
    win32::ComRef<ITypeInfo> classInfo;
    check(library->GetTypeInfoOfGuid(classId, classInfo.put()), "ITypeLib::GetTypeInfoOfGuid");
    const TypeAttributes classAttributes(*classInfo.get());
    for (UINT i = 0; i < classAttributes->cImplTypes; ++i) {
        INT flags = 0;
        check(classInfo->GetImplTypeFlags(i, &flags), "ITypeInfo::GetImplTypeFlags");
        if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
            (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
            continue;
        }
        HREFTYPE reference = 0;
        check(classInfo->GetRefTypeOfImplType(i, &reference), "ITypeInfo::GetRefTypeOfImplType");
        win32::ComRef<ITypeInfo> sourceInfo;
        check(classInfo->GetRefTypeInfo(reference, sourceInfo.put()), "ITypeInfo::GetRefTypeInfo");
        return TypeAttributes(*sourceInfo.get())->guid;
    }
    throw ComFailure("finding the default source interface", E_NOINTERFACE);
}

void ComControl::advise(IDispatch& sink) {
    win32::ComRef<IConnectionPointContainer> container;
    check(dispatch_->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.put())),
          "QueryInterface(IConnectionPointContainer)");
    check(container->FindConnectionPoint(eventInterface_, connectionPoint_.put()),
          "IConnectionPointContainer::FindConnectionPoint");
    check(connectionPoint_->Advise(&sink, &cookie_), "IConnectionPoint::Advise");
}

}  // namespace velko::tools::win
