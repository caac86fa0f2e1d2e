#pragma once

#include <unknwn.h>

namespace velko::win32 {

// Interfaces implemented by a part of a COM object: the part has no identity of its own, so
// QueryInterface, AddRef and Release all go to the object that holds it.
template <typename... Interfaces>
class InnerInterfaces : public Interfaces... {
  public:
    explicit InnerInterfaces(IUnknown& owner) : owner_(owner) {}
    InnerInterfaces(const InnerInterfaces&) = delete;
    InnerInterfaces& operator=(const InnerInterfaces&) = delete;

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override {
        return owner_.QueryInterface(interfaceId, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }

  protected:
    ~InnerInterfaces() = default;

  private:
    IUnknown& owner_;
};

}  // namespace velko::win32
