// WStr: an owned wide string whose copies share one counted body. The first
// WStr a process makes sets the C library's collation and character
// classes to the user's default locale, once.
#pragma once

#include "winapi/types.h"

#include <atomic>

class WStr {
public:
    // A copy of `text` (null: a string without text) in a new body.
    explicit WStr(LPCWSTR text);
    // Copies share the body.
    WStr(const WStr& other) noexcept;
    WStr& operator=(const WStr& other) noexcept;
    // Drops the body's count; the last holder frees both texts and the body.
    ~WStr();

    // The text; null for a string made from null or when it could not be
    // copied.
    LPCWSTR Wide() const noexcept { return mpoBody->mpoWide; }
    // The text in the process's narrow encoding, made on first use and kept
    // in the body; null when the wide text is null.
    LPCSTR Narrow() const;

private:
    struct Body {
        std::atomic<LONG> mlCount{1};
        WCHAR* mpoWide = nullptr;           // Owned: _wcsdup's copy, freed with free.
        mutable char* mpoNarrow = nullptr;  // Owned: array new, made on first use.
    };

    void mvRelease() noexcept;

    Body* mpoBody;
};
