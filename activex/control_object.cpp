#include "activex/control_object.h"

#include <olectl.h>

#include "activex/dispatch_arguments.h"
#include "activex/error_result.h"
#include "activex/module_identity.h"
#include "platform/win32/com/bstr_text.h"

namespace velko::win32 {

namespace {

VARIANT_BOOL automationBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// A string parameter passed by reference: read before the call, written back after it when
// the method changed it. A null reference (an optional parameter a table caller left out)
// reads as empty and receives nothing.
class StringReference {
  public:
    explicit StringReference(BSTR* slot) : slot_(slot), text_(slot ? textOf(*slot) : Text()) {}
    Text& text() { return text_; }
    void writeBack() {
        if (slot_ != nullptr) assignBstr(slot_, text_);
    }

  private:
    BSTR* slot_;
    Text text_;
};

}  // namespace

HRESULT createControlObject(REFIID interfaceId, void** object) {
    auto* created = new ControlObject();
    const HRESULT result = created->QueryInterface(interfaceId, object);
    created->Release();
    return result;
}

ControlObject::ControlObject()
    : connectionPoint_(*this),
      bridge_(identity(), connectionPoint_, *types_.cidInfoRecord()),
      control_(platform_.platform()),
      bridgeCookie_(control_.events().advise(bridge_)),
      oleObject_(identity(), placement_),
      inPlaceObject_(identity(), placement_),
      viewObject_(identity(), placement_),
      persistence_(identity()),
      oleControl_(identity(), placement_),
      quickActivation_(identity(), placement_, viewObject_, connectionPoint_) {}

// A container that hears of the deactivation may still call the control: every part is there
// until it returns.
ControlObject::~ControlObject() {
    placement_.deactivateInPlace();
    control_.events().unadvise(bridgeCookie_);
}

template <typename Body>
HRESULT ControlObject::call(Body body) {
    const ComRef<IUnknown> keepAlive = ComRef<IUnknown>::share(&identity());
    return guarded(body);
}

template <typename Answer>
HRESULT ControlObject::number(short* result, Answer answer) {
    if (result == nullptr) return E_POINTER;
    return call([&] { *result = answer(); });
}

template <typename Answer>
HRESULT ControlObject::text(BSTR* result, Answer answer) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return call([&] { *result = newBstr(answer()); });
}

void* ControlObject::interfaceFor(REFIID id) {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
        IsEqualIID(id, kDualInterfaceId)) {
        return static_cast<::_velko_foxpro*>(this);
    }
    if (IsEqualIID(id, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    if (IsEqualIID(id, IID_IConnectionPointContainer)) {
        return static_cast<IConnectionPointContainer*>(this);
    }
    if (IsEqualIID(id, IID_IProvideClassInfo) || IsEqualIID(id, IID_IProvideClassInfo2)) {
        return static_cast<IProvideClassInfo2*>(this);
    }
    if (IsEqualIID(id, IID_IOleObject)) return static_cast<IOleObject*>(&oleObject_);
    if (IsEqualIID(id, IID_IOleWindow) || IsEqualIID(id, IID_IOleInPlaceObject)) {
        return static_cast<IOleInPlaceObject*>(&inPlaceObject_);
    }
    if (IsEqualIID(id, IID_IOleInPlaceActiveObject)) {
        return static_cast<IOleInPlaceActiveObject*>(&inPlaceObject_);
    }
    if (IsEqualIID(id, IID_IViewObject) || IsEqualIID(id, IID_IViewObject2)) {
        return static_cast<IViewObject2*>(&viewObject_);
    }
    if (IsEqualIID(id, IID_IPersist) || IsEqualIID(id, IID_IPersistStreamInit)) {
        return static_cast<IPersistStreamInit*>(&persistence_);
    }
    if (IsEqualIID(id, IID_IPersistPropertyBag)) {
        return static_cast<IPersistPropertyBag*>(&persistence_);
    }
    if (IsEqualIID(id, IID_IOleControl)) return static_cast<IOleControl*>(&oleControl_);
    if (IsEqualIID(id, IID_IQuickActivate)) return static_cast<IQuickActivate*>(&quickActivation_);
    return nullptr;
}

STDMETHODIMP ControlObject::QueryInterface(REFIID interfaceId, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = interfaceFor(interfaceId);
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ControlObject::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) ControlObject::Release() {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        // A container that lets the control go while it is active in place hears of its
        // deactivation during the destruction; what it adds and releases then must not bring
        // the count to zero a second time.
        references_ = 1;
        delete this;
    }
    return left;
}

STDMETHODIMP ControlObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP ControlObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = ComRef<ITypeInfo>::share(types_.dualInterface()).detach();
    return S_OK;
}

STDMETHODIMP ControlObject::GetIDsOfNames(REFIID interfaceId, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) {
    if (!IsEqualIID(interfaceId, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return DispGetIDsOfNames(types_.dualInterface(), names, count, ids);
}

STDMETHODIMP ControlObject::Invoke(DISPID member, REFIID interfaceId, LCID, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) {
    if (!IsEqualIID(interfaceId, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (params == nullptr) return E_INVALIDARG;
    return call([&] {
        DispatchArguments arguments;
        HRESULT outcome =
            arguments.prepare(*types_.dualInterface(), member, *params, argumentError);
        if (FAILED(outcome)) return outcome;
        UINT preparedError = 0;
        outcome =
            types_.dualInterface()->Invoke(static_cast<::_velko_foxpro*>(this), member, flags,
                                           arguments.params(), result, exception, &preparedError);
        if (SUCCEEDED(outcome)) arguments.writeBack();
        if (FAILED(outcome) && argumentError != nullptr) {
            *argumentError = arguments.callerIndex(preparedError);
        }
        return outcome;
    });
}

STDMETHODIMP ControlObject::OpenVelko(BSTR* pPortName, BSTR* errorStr, short* result) {
    if (pPortName == nullptr || errorStr == nullptr || result == nullptr) return E_POINTER;
    return call([&] {
        StringReference port(pPortName);
        StringReference error(errorStr);
        *result = control_.OpenVelko(port.text(), error.text());
        port.writeBack();
        error.writeBack();
    });
}

STDMETHODIMP ControlObject::CloseVelko(BSTR* portName, BSTR* errorStr, short* result) {
    if (portName == nullptr || errorStr == nullptr || result == nullptr) return E_POINTER;
    return call([&] {
        StringReference port(portName);
        StringReference error(errorStr);
        *result = control_.CloseVelko(port.text(), error.text());
        port.writeBack();
        error.writeBack();
    });
}

STDMETHODIMP ControlObject::ComPortStateGet(VARIANT_BOOL* result) {
    if (result == nullptr) return E_POINTER;
    return call([&] { *result = automationBool(control_.ComPortStateGet()); });
}

STDMETHODIMP ControlObject::SendCmd(unsigned char* cmd, BSTR* para1, BSTR* para2, BSTR* para3,
                                    VARIANT_BOOL* result) {
    if (cmd == nullptr || result == nullptr) return E_POINTER;
    return call([&] {
        StringReference first(para1);
        StringReference second(para2);
        StringReference third(para3);
        uint8_t command = *cmd;
        *result =
            automationBool(control_.SendCmd(command, first.text(), second.text(), third.text()));
        *cmd = command;
        first.writeBack();
        second.writeBack();
        third.writeBack();
    });
}

STDMETHODIMP ControlObject::TxData(BSTR* data, VARIANT* result) {
    if (data == nullptr || result == nullptr) return E_POINTER;
    VariantInit(result);
    return call([&] {
        StringReference text(data);
        control_.TxData(text.text());
        text.writeBack();
    });
}

STDMETHODIMP ControlObject::GetCurrentErrorMsg(BSTR* result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return call([&] { *result = newBstr(control_.GetCurrentErrorMsg()); });
}

STDMETHODIMP ControlObject::EventTest(BSTR* str) {
    if (str == nullptr) return E_POINTER;
    return call([&] {
        StringReference text(str);
        control_.EventTest(text.text());
        text.writeBack();
    });
}

STDMETHODIMP ControlObject::ProcessReport() {
    return call([&] { control_.ProcessReport(); });
}

STDMETHODIMP ControlObject::GetInformationWithIndicator(BSTR title, BSTR* result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return call([&] { *result = newBstr(control_.GetInformationWithIndicator(textOf(title))); });
}

STDMETHODIMP ControlObject::GetInformationWithoutIndicator(BSTR* result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return call([&] { *result = newBstr(control_.GetInformationWithoutIndicator()); });
}

STDMETHODIMP ControlObject::EndMessageDiscard() {
    return call([&] { control_.EndMessageDiscard(); });
}

STDMETHODIMP ControlObject::ProcessResponse() {
    return call([&] { control_.ProcessResponse(); });
}

STDMETHODIMP ControlObject::LastCallState(short* result) {
    return number(result, [&] { return control_.LastCallState(); });
}

STDMETHODIMP ControlObject::LastCallMonth(short* result) {
    return number(result, [&] { return control_.LastCallMonth(); });
}

STDMETHODIMP ControlObject::LastCallDay(short* result) {
    return number(result, [&] { return control_.LastCallDay(); });
}

STDMETHODIMP ControlObject::LastCallHour(short* result) {
    return number(result, [&] { return control_.LastCallHour(); });
}

STDMETHODIMP ControlObject::LastCallMin(short* result) {
    return number(result, [&] { return control_.LastCallMin(); });
}

STDMETHODIMP ControlObject::LastCallNumber(BSTR* result) {
    return text(result, [&] { return control_.LastCallNumber(); });
}

STDMETHODIMP ControlObject::LastCallName(BSTR* result) {
    return text(result, [&] { return control_.LastCallName(); });
}

STDMETHODIMP ControlObject::LastCallGroup(short* result) {
    return number(result, [&] { return control_.LastCallGroup(); });
}

STDMETHODIMP ControlObject::LastCallTelType(BSTR* result) {
    return text(result, [&] { return control_.LastCallTelType(); });
}

STDMETHODIMP ControlObject::LastListKind(short* result) {
    return number(result, [&] { return control_.LastListKind(); });
}

STDMETHODIMP ControlObject::LastListCount(short* result) {
    return number(result, [&] { return control_.LastListCount(); });
}

STDMETHODIMP ControlObject::LastListMonth(short index, short* result) {
    return number(result, [&] { return control_.LastListMonth(index); });
}

STDMETHODIMP ControlObject::LastListDay(short index, short* result) {
    return number(result, [&] { return control_.LastListDay(index); });
}

STDMETHODIMP ControlObject::LastListHour(short index, short* result) {
    return number(result, [&] { return control_.LastListHour(index); });
}

STDMETHODIMP ControlObject::LastListMin(short index, short* result) {
    return number(result, [&] { return control_.LastListMin(index); });
}

STDMETHODIMP ControlObject::LastListNumber(short index, BSTR* result) {
    return text(result, [&] { return control_.LastListNumber(index); });
}

STDMETHODIMP ControlObject::LastListName(short index, BSTR* result) {
    return text(result, [&] { return control_.LastListName(index); });
}

STDMETHODIMP ControlObject::LastListGroup(short index, short* result) {
    return number(result, [&] { return control_.LastListGroup(index); });
}

STDMETHODIMP ControlObject::LastListTelType(short index, BSTR* result) {
    return text(result, [&] { return control_.LastListTelType(index); });
}

STDMETHODIMP ControlObject::InterfaceSupportsErrorInfo(REFIID interfaceId) {
    return IsEqualIID(interfaceId, kDualInterfaceId) || IsEqualIID(interfaceId, IID_IDispatch)
               ? S_OK
               : S_FALSE;
}

STDMETHODIMP ControlObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return newConnectionPointEnumerator(connectionPoint_, points);
}

STDMETHODIMP ControlObject::FindConnectionPoint(REFIID interfaceId, IConnectionPoint** point) {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(interfaceId, kEventInterfaceId)) return CONNECT_E_NOCONNECTION;
    connectionPoint_.AddRef();
    *point = &connectionPoint_;
    return S_OK;
}

STDMETHODIMP ControlObject::GetClassInfo(ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = ComRef<ITypeInfo>::share(types_.controlClass()).detach();
    return S_OK;
}

STDMETHODIMP ControlObject::GetGUID(DWORD kind, GUID* guid) {
    if (guid == nullptr) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = kEventInterfaceId;
    return S_OK;
}

}  // namespace velko::win32
