#pragma once

#include <oaidl.h>

#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

// The type library embedded in the module, and the descriptions a control object works with.
// Throws a RuntimeError carrying the HRESULT when the library cannot be read.
class TypeLibrary {
  public:
    TypeLibrary();

    // The dual interface's table description: what IDispatch invokes through.
    ITypeInfo* dualInterface() const { return dualInterface_.get(); }
    ITypeInfo* controlClass() const { return controlClass_.get(); }
    // The record CID_INFO, for records and arrays of records handed to event sinks.
    IRecordInfo* cidInfoRecord() const { return cidInfoRecord_.get(); }

  private:
    // Each description keeps the library it comes from.
    ComRef<ITypeInfo> dualInterface_;
    ComRef<ITypeInfo> controlClass_;
    ComRef<IRecordInfo> cidInfoRecord_;
};

}  // namespace velko::win32
