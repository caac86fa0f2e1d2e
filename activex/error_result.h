#pragma once

#include <windows.h>

#include <new>
#include <type_traits>

#include "control/runtime_error.h"

namespace velko::win32 {

// The HRESULT of a failed call that carries a run-time error: 0x800A0000 + number, with the
// thread's error information holding the description, so that automation callers receive
// DISP_E_EXCEPTION with EXCEPINFO. A number that already is a failure HRESULT stays as it is.
HRESULT runtimeErrorResult(const RuntimeError& error);

// Runs a method body and turns whatever escapes it into the call's HRESULT: no exception
// crosses the COM boundary. A body returns its HRESULT, or nothing for S_OK.
template <typename Body>
HRESULT guarded(Body body) noexcept {
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            return S_OK;
        } else {
            return body();
        }
    } catch (const RuntimeError& error) {
        return runtimeErrorResult(error);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace velko::win32
