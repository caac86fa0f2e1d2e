#pragma once

#include <windows.h>

#include "platform/win32/com/com_ref.h"

namespace velko::wintest {

using win32::ComRef;

// The size of the control's site on the test forms.
constexpr SIZE kSiteSize = {28, 28};

// A container's form: a top-level window holding one control site of Wine's own control
// container (atl.dll), a child window of class AtlAxWin at (0, 0) of the given size.
class FormHost {
  public:
    // content is the site window's text: a programmatic identifier makes the container create
    // that control, site it and activate it in place; an empty text leaves the site empty.
    FormHost(const wchar_t* content, SIZE size);
    FormHost(const FormHost&) = delete;
    FormHost& operator=(const FormHost&) = delete;
    ~FormHost() { destroy(); }

    HWND site() const { return site_; }
    // The control in the site, as the container hands it out.
    ComRef<IUnknown> control() const;
    // Sites a control the caller created in the empty site and activates it in place.
    HRESULT attach(IUnknown& control);
    // Closes the form: the container closes its control and lets it go.
    void destroy();

  private:
    HWND form_ = nullptr;
    HWND site_ = nullptr;
};

// The container's own message loop: GetMessage and DispatchMessage until a quit message; one
// is posted when the limit has passed. True when the quit message came before that.
bool runMessageLoop(DWORD limitMilliseconds);

}  // namespace velko::wintest
