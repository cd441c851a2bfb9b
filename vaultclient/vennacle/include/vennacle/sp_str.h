// SpStr: the stored-procedure layer's string, 16 bytes inside its records.
// It either owns a BSTR (what its constructors and assignments make) or
// borrows text that lives in the same task-memory block as the record that
// holds it: records handed out as one block (ItemDbData) are freed with
// CoTaskMemFree alone, so their strings must not own anything.
#pragma once

#include "com/bstr.h"
#include "winapi/types.h"

#include <string_view>

class SpStr {
public:
    SpStr() noexcept = default;
    // A copy of the text (null reads as empty). Throws std::bad_alloc without memory.
    SpStr(const OLECHAR* text);
    SpStr(std::u16string_view text);
    SpStr(const SpStr& other);
    SpStr& operator=(const SpStr& other);
    // Moving keeps what the text is: owned or borrowed.
    SpStr(SpStr&& other) noexcept { Swap(other); }
    SpStr& operator=(SpStr&& other) noexcept {
        Swap(other);
        return *this;
    }
    SpStr& operator=(const OLECHAR* text);
    SpStr& operator=(std::u16string_view text);
    ~SpStr();

    // A string that reads `length` characters at `text` without owning them.
    static SpStr Borrow(const OLECHAR* text, UINT length) noexcept;

    // A new BSTR with the text, which the caller frees; null for an empty string.
    BSTR copy() const;
    std::u16string_view View() const noexcept { return {mpText ? mpText : u"", mlLength}; }
    UINT GetLength() const noexcept { return mlLength; }
    bool IsEmpty() const noexcept { return mlLength == 0; }

private:
    void Swap(SpStr& other) noexcept;
    void Assign(std::u16string_view text);
    void Free() noexcept;

    OLECHAR* mpText = nullptr;  // null for the empty string
    UINT mlLength = 0;
    BOOL mbOwned = FALSE;  // mpText is a BSTR of this string
};
static_assert(sizeof(SpStr) == 16);
