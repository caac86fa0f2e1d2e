#pragma once

#include <oaidl.h>

#include <string>

#include "control/automation_table.h"

namespace velko::wintest {

// A type as the IDL spells it ("BSTR*", "SAFEARRAY(CID_INFO)*"), from a type description of
// context, and from the automation table.
std::string idlTypeName(ITypeInfo& context, const TYPEDESC& type);
std::string idlTypeName(VarType type, bool byRef);

// The IDL direction flags the automation table implies for a parameter.
USHORT parameterFlags(const ParamInfo& parameter);

// Names of a member: the member's own first, then its parameters'.
std::vector<std::string> memberNames(ITypeInfo& info, MEMBERID member);

std::string narrow(const wchar_t* text);
// The name a type description documents for itself.
std::string documentedName(ITypeInfo& info);

}  // namespace velko::wintest
