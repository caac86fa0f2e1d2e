#include "activex/connection_point.h"

#include <olectl.h>

#include <algorithm>

#include "activex/module_identity.h"

namespace velko::win32 {

bool ConnectionPoint::advised(DWORD cookie) const {
    return std::any_of(sinks_.begin(), sinks_.end(),
                       [cookie](const Sink& sink) { return sink.first == cookie; });
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID interfaceId, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IConnectionPoint)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* interfaceId) {
    if (interfaceId == nullptr) return E_POINTER;
    *interfaceId = kEventInterfaceId;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (container == nullptr) return E_POINTER;
    container_.AddRef();
    *container = &container_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (cookie == nullptr) return E_POINTER;
    *cookie = 0;
    if (sink == nullptr) return E_POINTER;
    ComRef<IDispatch> events;
    if (FAILED(sink->QueryInterface(kEventInterfaceId, reinterpret_cast<void**>(events.put()))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(events.put())))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    sinks_.emplace_back(nextCookie_, std::move(events));
    *cookie = nextCookie_++;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                    [cookie](const Sink& sink) { return sink.first == cookie; });
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    // The sink may hold the last reference to something that unadvises in turn: release it
    // after the list is consistent again.
    const ComRef<IDispatch> released = std::move(found->second);
    sinks_.erase(found);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (connections == nullptr) return E_POINTER;
    *connections = nullptr;
    return E_NOTIMPL;
}

}  // namespace velko::win32
