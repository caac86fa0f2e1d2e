#pragma once

#include <oaidl.h>

#include "tools/shell/output.h"

namespace velko::tools::win {

// The sink a script host advises on the control's connection point: an IDispatch whose Invoke
// receives each event by dispatch id and reports it to the shell's output, with the parameters
// read as the event interface declares them. It answers IUnknown, IDispatch and the event
// interface it is told; its lifetime is its owner's (the references COM takes are only
// counted), so it must outlive the connection.
class EventSink final : public IDispatch {
  public:
    explicit EventSink(shell::ShellOutput& output) : output_(output) {}

    void setEventInterface(const IID& eventInterface) { eventInterface_ = eventInterface; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentInError) override;

  private:
    IID eventInterface_ = IID_NULL;
    shell::ShellOutput& output_;
    ULONG references_ = 1;
};

}  // namespace velko::tools::win
