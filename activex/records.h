#pragma once

#include <oaidl.h>

#include "control/cid_info.h"
#include "velko_foxpro_h.h"

namespace velko::win32 {

// CID_INFO as the type library lays it out, filled from the control's record. The strings are
// new BSTRs owned by the record (IRecordInfo::RecordClear frees them).
void fillRecord(::CID_INFO& record, const velko::CID_INFO& from);

// A new one-dimensional SAFEARRAY of CID_INFO records, indexes 0 to 60, described by record.
// The caller destroys it. Throws std::bad_alloc when out of memory.
SAFEARRAY* newRecordArray(IRecordInfo& record, const CidList& list);

}  // namespace velko::win32
