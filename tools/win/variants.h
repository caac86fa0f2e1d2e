#pragma once

#include <oaidl.h>

#include "control/value.h"

namespace velko::tools::win {

// A VARIANT this object owns; cleared when it goes.
class OwnedVariant {
  public:
    OwnedVariant() { VariantInit(&variant_); }
    ~OwnedVariant() { VariantClear(&variant_); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;

    VARIANT* get() { return &variant_; }
    const VARIANT& operator*() const { return variant_; }

  private:
    VARIANT variant_;
};

// Sets a cleared VARIANT to a value: Empty, a Boolean, a byte, a 16-bit integer or a text.
void assign(VARIANT& target, const Value& value);

// The value a VARIANT holds, read as the given automation type, through a reference when it
// is one. A Variant type takes the value as it stands. A record is read field by field through
// its record information, an array of records entry by entry. Throws RuntimeError with the
// HRESULT when the VARIANT holds nothing of the type.
Value valueOf(const VARIANT& variant, VarType type);

}  // namespace velko::tools::win
