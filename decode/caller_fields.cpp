#include "decode/caller_fields.h"

#include "control/conversions.h"

namespace velko {

void readCallerDetails(_velko_foxpro& self, CID_INFO& record) {
    record.lName = self.GetInformationWithIndicator(u"Name:");
    record.lGroup = numericField(self.GetInformationWithIndicator(u"Group:"));
    record.lTelType = lineTypeWord(self.GetInformationWithIndicator(u"Type:"));
}

}  // namespace velko
