#pragma once

#include <ole2.h>

#include "activex/form_placement.h"
#include "activex/inner_interfaces.h"
#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

// IViewObject2: the control's picture drawn into a device context the container chooses (a
// form being designed, a print-out, a snapshot), at the control's extent.
class ViewObject final : public InnerInterfaces<IViewObject2> {
  public:
    ViewObject(IUnknown& owner, const FormPlacement& placement)
        : InnerInterfaces(owner), placement_(placement) {}

    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                      HDC targetDc, HDC dc, LPCRECTL bounds, LPCRECTL metafileBounds,
                      BOOL(STDMETHODCALLTYPE* keepDrawing)(ULONG_PTR), ULONG_PTR argument) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                             HDC targetDc, LOGPALETTE** colours) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

  private:
    const FormPlacement& placement_;
    DWORD adviseAspects_ = 0;
    DWORD adviseFlags_ = 0;
    ComRef<IAdviseSink> adviseSink_;
};

}  // namespace velko::win32
