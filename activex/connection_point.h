#pragma once

#include <ocidl.h>

#include <utility>
#include <vector>

#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

// The connection point of the event interface __velko_foxpro. It lives inside its container
// and shares the container's reference count; it keeps the advised sinks in advise order.
class ConnectionPoint final : public IConnectionPoint {
  public:
    using Sink = std::pair<DWORD, ComRef<IDispatch>>;

    explicit ConnectionPoint(IConnectionPointContainer& container) : container_(container) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    // The sinks advised now; an event goes to each that is still advised when its turn comes.
    std::vector<Sink> sinks() const { return sinks_; }
    bool advised(DWORD cookie) const;

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_.Release(); }

    STDMETHODIMP GetConnectionInterface(IID* interfaceId) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

  private:
    IConnectionPointContainer& container_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
};

// An enumerator over a container's one connection point.
HRESULT newConnectionPointEnumerator(IConnectionPoint& point, IEnumConnectionPoints** result);

}  // namespace velko::win32
