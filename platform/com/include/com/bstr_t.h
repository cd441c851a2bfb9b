// _bstr_t: a BSTR owned by scope and shared between copies.
//
// Copies share one BSTR through a reference count (safe to copy and drop on
// several threads); changing a _bstr_t (+=, Attach, GetAddress) gives it new
// text and leaves its copies as they were. A null BSTR and "" are both the
// empty string: they compare equal and have length 0; only operator! tells
// them apart. Failing allocations raise _com_error(E_OUTOFMEMORY).
#pragma once

#include "com/bstr.h"

#include <compare>

class _bstr_t {
public:
    _bstr_t() noexcept = default;
    _bstr_t(const _bstr_t& other) noexcept;
    // A copy of the text; null gives a null string.
    _bstr_t(const OLECHAR* text);
    // A copy of the UTF-8 text; null gives a null string.
    _bstr_t(const char* text);
    // duplicate: a copy of `bstr`; else takes over `bstr`, which the _bstr_t
    // then frees.
    _bstr_t(BSTR bstr, bool duplicate);
    ~_bstr_t();

    _bstr_t& operator=(const _bstr_t& other) noexcept;
    _bstr_t& operator=(const OLECHAR* text);
    _bstr_t& operator=(const char* text);
    _bstr_t& operator+=(const _bstr_t& other);
    friend _bstr_t operator+(const _bstr_t& left, const _bstr_t& right);

    // The BSTR itself (null for a null string), to read or to pass as an
    // [in] argument; it lives as long as this _bstr_t or a copy holds it.
    operator const OLECHAR*() const noexcept;
    operator OLECHAR*() const noexcept;
    // True for a null string ("" is not null).
    bool operator!() const noexcept;
    // Characters, embedded nulls included.
    unsigned int length() const noexcept;

    // A new BSTR that the caller frees; with duplicate false the BSTR
    // itself, still owned by this _bstr_t.
    BSTR copy(bool duplicate = true) const;
    // Takes over `bstr` (freed by this _bstr_t), dropping the text held.
    void Attach(BSTR bstr);
    // Hands the BSTR to the caller, who frees it, and leaves this _bstr_t
    // null. Copies keep their text: when the BSTR is shared with them, the
    // caller gets a copy of it.
    BSTR Detach();
    // The BSTR held, by reference (shared with the copies).
    BSTR& GetBSTR();
    // Drops the text held and gives the address of a null BSTR, for an [out]
    // argument that stores a new BSTR for this _bstr_t to own.
    BSTR* GetAddress();

    // Code unit by code unit; a shorter string before a longer one that
    // starts with it.
    friend bool operator==(const _bstr_t& left, const _bstr_t& right) noexcept;
    friend bool operator==(const _bstr_t& left, const OLECHAR* right) noexcept;
    friend std::weak_ordering operator<=>(const _bstr_t& left, const _bstr_t& right) noexcept;
    friend std::weak_ordering operator<=>(const _bstr_t& left, const OLECHAR* right) noexcept;

private:
    struct Data;
    // Takes over `text`; frees it again when no holder can be made.
    static Data* NewData(BSTR text);
    void Release() noexcept;

    Data* data_ = nullptr;  // null for a null string; shared by copies
};
