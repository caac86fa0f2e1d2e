#pragma once

#include <ocidl.h>

#include "activex/connection_point.h"
#include "activex/event_bridge.h"
#include "activex/form_placement.h"
#include "activex/in_place_object.h"
#include "activex/module_runtime.h"
#include "activex/ole_control.h"
#include "activex/ole_object.h"
#include "activex/persistence.h"
#include "activex/quick_activation.h"
#include "activex/thread_platform.h"
#include "activex/type_library.h"
#include "activex/view_object.h"
#include "control_class/velko_foxpro.h"
#include "velko_foxpro_h.h"

namespace velko::win32 {

// Creates a control object and hands out the interface asked for.
HRESULT createControlObject(REFIID interfaceId, void** object);

// The COM object of the class velko_foxpro: the dual interface _velko_foxpro over the control,
// IDispatch through the type information, run-time errors as error information, the events
// through a connection point, the class's type information, and the OLE control interfaces
// through which a container places it on a form (each implemented by a part of the object).
class ControlObject final : public ::_velko_foxpro,
                            public ISupportErrorInfo,
                            public IConnectionPointContainer,
                            public IProvideClassInfo2 {
  public:
    ControlObject();
    ControlObject(const ControlObject&) = delete;
    ControlObject& operator=(const ControlObject&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID interfaceId, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID member, REFIID interfaceId, LCID locale, WORD flags,
                        DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT* argumentError) override;

    // _velko_foxpro
    STDMETHODIMP OpenVelko(BSTR* pPortName, BSTR* errorStr, short* result) override;
    STDMETHODIMP CloseVelko(BSTR* portName, BSTR* errorStr, short* result) override;
    STDMETHODIMP ComPortStateGet(VARIANT_BOOL* result) override;
    STDMETHODIMP SendCmd(unsigned char* cmd, BSTR* para1, BSTR* para2, BSTR* para3,
                         VARIANT_BOOL* result) override;
    STDMETHODIMP TxData(BSTR* data, VARIANT* result) override;
    STDMETHODIMP GetCurrentErrorMsg(BSTR* result) override;
    STDMETHODIMP EventTest(BSTR* str) override;
    STDMETHODIMP ProcessReport() override;
    STDMETHODIMP GetInformationWithIndicator(BSTR title, BSTR* result) override;
    STDMETHODIMP GetInformationWithoutIndicator(BSTR* result) override;
    STDMETHODIMP EndMessageDiscard() override;
    STDMETHODIMP ProcessResponse() override;
    STDMETHODIMP LastCallState(short* result) override;
    STDMETHODIMP LastCallMonth(short* result) override;
    STDMETHODIMP LastCallDay(short* result) override;
    STDMETHODIMP LastCallHour(short* result) override;
    STDMETHODIMP LastCallMin(short* result) override;
    STDMETHODIMP LastCallNumber(BSTR* result) override;
    STDMETHODIMP LastCallName(BSTR* result) override;
    STDMETHODIMP LastCallGroup(short* result) override;
    STDMETHODIMP LastCallTelType(BSTR* result) override;
    STDMETHODIMP LastListKind(short* result) override;
    STDMETHODIMP LastListCount(short* result) override;
    STDMETHODIMP LastListMonth(short index, short* result) override;
    STDMETHODIMP LastListDay(short index, short* result) override;
    STDMETHODIMP LastListHour(short index, short* result) override;
    STDMETHODIMP LastListMin(short index, short* result) override;
    STDMETHODIMP LastListNumber(short index, BSTR* result) override;
    STDMETHODIMP LastListName(short index, BSTR* result) override;
    STDMETHODIMP LastListGroup(short index, short* result) override;
    STDMETHODIMP LastListTelType(short index, BSTR* result) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID interfaceId) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID interfaceId, IConnectionPoint** point) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  private:
    ~ControlObject();

    IUnknown& identity() { return static_cast<::_velko_foxpro&>(*this); }
    // The interface asked for, from the object or one of its parts; null when it has none.
    void* interfaceFor(REFIID interfaceId);

    // Runs a method of the control with this object kept alive, whatever its event handlers
    // release meanwhile.
    template <typename Body>
    HRESULT call(Body body);
    // A method whose result is a number or a text the control's member answers.
    template <typename Answer>
    HRESULT number(short* result, Answer answer);
    template <typename Answer>
    HRESULT text(BSTR* result, Answer answer);

    module_runtime::LiveObject live_;
    LONG references_ = 1;
    TypeLibrary types_;
    ConnectionPoint connectionPoint_;
    EventBridge bridge_;
    PlatformLease platform_;
    velko::velko_foxpro control_;
    EventSource::Cookie bridgeCookie_;
    FormPlacement placement_;
    OleObject oleObject_;
    InPlaceObject inPlaceObject_;
    ViewObject viewObject_;
    Persistence persistence_;
    OleControl oleControl_;
    QuickActivation quickActivation_;
};

}  // namespace velko::win32
