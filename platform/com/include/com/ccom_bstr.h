// CComBSTR: one BSTR owned directly (no sharing, unlike _bstr_t), freed when
// the CComBSTR goes. Its address is a BSTR*, so it takes an [out] argument
// as it is: object->GetName(&name). Constructors raise _com_error
// (E_OUTOFMEMORY); the other operations return their HRESULT.
#pragma once

#include "com/bstr.h"
#include "winapi/errors.h"

class CComBSTR {
public:
    CComBSTR() noexcept = default;
    // A copy of the text; null gives a null BSTR.
    CComBSTR(LPCOLESTR text);
    // `length` characters of `text` (unspecified when null).
    CComBSTR(UINT length, LPCOLESTR text);
    CComBSTR(const CComBSTR& other);
    CComBSTR(CComBSTR&& other) noexcept : m_str(other.m_str) { other.m_str = nullptr; }
    ~CComBSTR() { SysFreeString(m_str); }

    CComBSTR& operator=(const CComBSTR& other);
    CComBSTR& operator=(CComBSTR&& other) noexcept;
    CComBSTR& operator=(LPCOLESTR text);

    operator BSTR() const noexcept { return m_str; }
    // Frees the BSTR held and gives the address of the (null) BSTR, for an
    // [out] argument that stores a new one for this CComBSTR to own.
    BSTR* operator&() noexcept {
        Empty();
        return &m_str;
    }
    bool operator!() const noexcept { return m_str == nullptr; }
    // Characters; 0 for null.
    UINT Length() const noexcept { return SysStringLen(m_str); }

    // A new BSTR for the caller (null for null); null without memory.
    BSTR Copy() const noexcept;
    // E_POINTER for a null out-pointer, E_OUTOFMEMORY.
    HRESULT CopyTo(BSTR* out) const noexcept;
    // Takes over `bstr`, freeing the BSTR held.
    void Attach(BSTR bstr) noexcept;
    // Hands the BSTR to the caller and leaves this CComBSTR null.
    BSTR Detach() noexcept;
    void Empty() noexcept;
    // Appends the text (a null text appends nothing); E_OUTOFMEMORY leaves
    // the BSTR as it was.
    HRESULT Append(LPCOLESTR text) noexcept;
    HRESULT Append(const CComBSTR& other) noexcept;

    // Null and "" are equal; otherwise code unit by code unit.
    friend bool operator==(const CComBSTR& left, const CComBSTR& right) noexcept;
    friend bool operator==(const CComBSTR& left, LPCOLESTR right) noexcept;

    BSTR m_str = nullptr;
};
