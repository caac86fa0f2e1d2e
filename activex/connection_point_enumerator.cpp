#include <new>

#include "activex/connection_point.h"

namespace velko::win32 {

namespace {

class ConnectionPointEnumerator final : public IEnumConnectionPoints {
  public:
    ConnectionPointEnumerator(IConnectionPoint& point, ULONG position)
        : point_(ComRef<IConnectionPoint>::share(&point)), position_(position) {}

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(interfaceId, IID_IUnknown) ||
            IsEqualIID(interfaceId, IID_IEnumConnectionPoints)) {
            *object = static_cast<IEnumConnectionPoints*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP Next(ULONG wanted, IConnectionPoint** points, ULONG* fetched) override {
        if (points == nullptr || (wanted != 1 && fetched == nullptr)) return E_POINTER;
        ULONG count = 0;
        if (wanted > 0 && position_ == 0) {
            points[0] = ComRef<IConnectionPoint>(point_).detach();
            position_ = 1;
            count = 1;
        }
        if (fetched != nullptr) *fetched = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const bool skippedAll = count == 0 || (position_ == 0 && count == 1);
        if (count > 0) position_ = 1;
        return skippedAll ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumConnectionPoints** clone) override {
        if (clone == nullptr) return E_POINTER;
        *clone = new (std::nothrow) ConnectionPointEnumerator(*point_.get(), position_);
        return *clone == nullptr ? E_OUTOFMEMORY : S_OK;
    }

  private:
    ~ConnectionPointEnumerator() = default;

    LONG references_ = 1;
    ComRef<IConnectionPoint> point_;
    ULONG position_;
};

}  // namespace

HRESULT newConnectionPointEnumerator(IConnectionPoint& point, IEnumConnectionPoints** result) {
    if (result == nullptr) return E_POINTER;
    *result = new (std::nothrow) ConnectionPointEnumerator(point, 0);
    return *result == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace velko::win32
