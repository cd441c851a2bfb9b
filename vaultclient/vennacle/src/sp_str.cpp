#include "vennacle/sp_str.h"

#include <new>
#include <utility>

SpStr::SpStr(const OLECHAR* text) { Assign(text ? std::u16string_view(text) : std::u16string_view()); }

SpStr::SpStr(std::u16string_view text) { Assign(text); }

SpStr::SpStr(const SpStr& other) { Assign(other.View()); }

SpStr& SpStr::operator=(const SpStr& other) {
    if (this != &other) {
        SpStr copy(other);
        Swap(copy);
    }
    return *this;
}

SpStr& SpStr::operator=(const OLECHAR* text) { return *this = SpStr(text); }

SpStr& SpStr::operator=(std::u16string_view text) { return *this = SpStr(text); }

SpStr::~SpStr() { Free(); }

SpStr SpStr::Borrow(const OLECHAR* text, UINT length) noexcept {
    SpStr borrowed;
    borrowed.mpText = const_cast<OLECHAR*>(text);
    borrowed.mlLength = text ? length : 0;
    return borrowed;
}

BSTR SpStr::copy() const {
    if (mlLength == 0) return nullptr;
    BSTR text = SysAllocStringLen(mpText, mlLength);
    if (!text) throw std::bad_alloc();
    return text;
}

void SpStr::Swap(SpStr& other) noexcept {
    std::swap(mpText, other.mpText);
    std::swap(mlLength, other.mlLength);
    std::swap(mbOwned, other.mbOwned);
}

void SpStr::Assign(std::u16string_view text) {
    if (text.empty()) return;
    mpText = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!mpText) throw std::bad_alloc();
    mlLength = static_cast<UINT>(text.size());
    mbOwned = TRUE;
}

void SpStr::Free() noexcept {
    if (mbOwned) SysFreeString(mpText);
    mpText = nullptr;
    mlLength = 0;
    mbOwned = FALSE;
}
