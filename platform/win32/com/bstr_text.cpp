#include "platform/win32/com/bstr_text.h"

#include <new>

namespace velko::win32 {

Text textOf(BSTR value) {
    if (value == nullptr) return Text();
    return Text(reinterpret_cast<const char16_t*>(value), SysStringLen(value));
}

BSTR newBstr(const Text& text) {
    BSTR value = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size()));
    if (value == nullptr) throw std::bad_alloc();
    return value;
}

void assignBstr(BSTR* slot, const Text& text) {
    if (textOf(*slot) == text) return;
    BSTR replacement = newBstr(text);
    SysFreeString(*slot);
    *slot = replacement;
}

}  // namespace velko::win32
