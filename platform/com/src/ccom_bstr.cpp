#include "com/ccom_bstr.h"

#include "com/com_error.h"
#include "winapi/text.h"

#include <memory>

namespace {

BSTR CopyOrRaise(LPCOLESTR text, UINT length) {
    BSTR copy = SysAllocStringLen(text, length);
    if (copy == nullptr) _com_issue_error(E_OUTOFMEMORY);
    return copy;
}

UINT TextLength(LPCOLESTR text) { return text != nullptr ? static_cast<UINT>(wcslen(text)) : 0; }

bool Equal(LPCOLESTR left, UINT leftLength, LPCOLESTR right, UINT rightLength) {
    if (leftLength != rightLength) return false;
    for (UINT i = 0; i < leftLength; ++i) {
        if (left[i] != right[i]) return false;
    }
    return true;
}

HRESULT AppendText(BSTR& target, LPCOLESTR text, UINT length) {
    if (text == nullptr) return S_OK;
    UINT oldLength = SysStringLen(target);
    BSTR joined = SysAllocStringLen(nullptr, oldLength + length);
    if (joined == nullptr) return E_OUTOFMEMORY;
    for (UINT i = 0; i < oldLength; ++i) joined[i] = target[i];
    for (UINT i = 0; i < length; ++i) joined[oldLength + i] = text[i];
    SysFreeString(target);
    target = joined;
    return S_OK;
}

}  // namespace

CComBSTR::CComBSTR(LPCOLESTR text) {
    if (text != nullptr) m_str = CopyOrRaise(text, TextLength(text));
}

CComBSTR::CComBSTR(UINT length, LPCOLESTR text) : m_str(CopyOrRaise(text, length)) {}

CComBSTR::CComBSTR(const CComBSTR& other) {
    if (other.m_str != nullptr) m_str = CopyOrRaise(other.m_str, other.Length());
}

CComBSTR& CComBSTR::operator=(const CComBSTR& other) {
    if (this != std::addressof(other)) *this = CComBSTR(other);
    return *this;
}

CComBSTR& CComBSTR::operator=(CComBSTR&& other) noexcept {
    // std::addressof: the CComBSTR's own operator& would empty it.
    if (this != std::addressof(other)) Attach(other.Detach());
    return *this;
}

CComBSTR& CComBSTR::operator=(LPCOLESTR text) {
    // The text may be this BSTR's own: copy it before freeing.
    return *this = CComBSTR(text);
}

BSTR CComBSTR::Copy() const noexcept { return m_str != nullptr ? SysAllocStringLen(m_str, Length()) : nullptr; }

HRESULT CComBSTR::CopyTo(BSTR* out) const noexcept {
    if (out == nullptr) return E_POINTER;
    *out = Copy();
    return *out != nullptr || m_str == nullptr ? S_OK : E_OUTOFMEMORY;
}

void CComBSTR::Attach(BSTR bstr) noexcept {
    if (bstr == m_str) return;
    SysFreeString(m_str);
    m_str = bstr;
}

BSTR CComBSTR::Detach() noexcept {
    BSTR bstr = m_str;
    m_str = nullptr;
    return bstr;
}

void CComBSTR::Empty() noexcept {
    SysFreeString(m_str);
    m_str = nullptr;
}

HRESULT CComBSTR::Append(LPCOLESTR text) noexcept { return AppendText(m_str, text, TextLength(text)); }

HRESULT CComBSTR::Append(const CComBSTR& other) noexcept { return AppendText(m_str, other.m_str, other.Length()); }

bool operator==(const CComBSTR& left, const CComBSTR& right) noexcept {
    return Equal(left.m_str, left.Length(), right.m_str, right.Length());
}

bool operator==(const CComBSTR& left, LPCOLESTR right) noexcept {
    return Equal(left.m_str, left.Length(), right, TextLength(right));
}
