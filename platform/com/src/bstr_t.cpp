#include "com/bstr_t.h"

#include "com/com_error.h"
#include "winapi/text.h"

#include <atomic>
#include <new>
#include <string>

// The BSTR shared by the copies of one _bstr_t.
struct _bstr_t::Data {
    explicit Data(BSTR owned) : text(owned) {}
    ~Data() { SysFreeString(text); }

    BSTR text;
    // Relaxed increment: a copy is made from a reference already held.
    // Acquire-release decrement: the last holder must see every use of the
    // text by the others before it frees it.
    std::atomic<ULONG> count{1};
};

namespace {

BSTR Duplicate(const OLECHAR* text, UINT length) {
    BSTR copy = SysAllocStringLen(text, length);
    if (copy == nullptr) _com_issue_error(E_OUTOFMEMORY);
    return copy;
}

std::weak_ordering Compare(const OLECHAR* left, UINT leftLength, const OLECHAR* right, UINT rightLength) {
    UINT common = leftLength < rightLength ? leftLength : rightLength;
    for (UINT i = 0; i < common; ++i) {
        if (left[i] != right[i]) return left[i] < right[i] ? std::weak_ordering::less : std::weak_ordering::greater;
    }
    return leftLength <=> rightLength;
}

UINT TextLength(const OLECHAR* text) { return text != nullptr ? static_cast<UINT>(wcslen(text)) : 0; }

}  // namespace

_bstr_t::Data* _bstr_t::NewData(BSTR text) {
    auto* data = new (std::nothrow) Data(text);
    if (data == nullptr) {
        SysFreeString(text);
        _com_issue_error(E_OUTOFMEMORY);
    }
    return data;
}

_bstr_t::_bstr_t(const _bstr_t& other) noexcept : data_(other.data_) {
    if (data_ != nullptr) data_->count.fetch_add(1, std::memory_order_relaxed);
}

_bstr_t::_bstr_t(const OLECHAR* text) {
    if (text != nullptr) data_ = NewData(Duplicate(text, TextLength(text)));
}

_bstr_t::_bstr_t(const char* text) {
    if (text == nullptr) return;
    std::u16string wide;
    try {
        wide = winapi::ToUtf16(text);
    } catch (const std::bad_alloc&) {
        _com_issue_error(E_OUTOFMEMORY);
    }
    data_ = NewData(Duplicate(wide.data(), static_cast<UINT>(wide.size())));
}

_bstr_t::_bstr_t(BSTR bstr, bool duplicate) {
    if (duplicate) {
        if (bstr != nullptr) data_ = NewData(Duplicate(bstr, SysStringLen(bstr)));
    } else {
        data_ = NewData(bstr);
    }
}

_bstr_t::~_bstr_t() { Release(); }

void _bstr_t::Release() noexcept {
    if (data_ != nullptr && data_->count.fetch_sub(1, std::memory_order_acq_rel) == 1) delete data_;
    data_ = nullptr;
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other) noexcept {
    // Taken before letting go: `other` may be this very string.
    Data* data = other.data_;
    if (data != nullptr) data->count.fetch_add(1, std::memory_order_relaxed);
    Release();
    data_ = data;
    return *this;
}

_bstr_t& _bstr_t::operator=(const OLECHAR* text) {
    // The text may be this string's own: copy it before letting go.
    return *this = _bstr_t(text);
}

_bstr_t& _bstr_t::operator=(const char* text) { return *this = _bstr_t(text); }

_bstr_t& _bstr_t::operator+=(const _bstr_t& other) {
    if (other.data_ == nullptr) return *this;
    UINT leftLength = length();
    UINT rightLength = other.length();
    BSTR joined = Duplicate(nullptr, leftLength + rightLength);
    for (UINT i = 0; i < leftLength; ++i) joined[i] = data_->text[i];
    for (UINT i = 0; i < rightLength; ++i) joined[leftLength + i] = other.data_->text[i];
    Data* data = NewData(joined);
    Release();
    data_ = data;
    return *this;
}

_bstr_t operator+(const _bstr_t& left, const _bstr_t& right) {
    _bstr_t joined(left);
    joined += right;
    return joined;
}

_bstr_t::operator const OLECHAR*() const noexcept { return data_ != nullptr ? data_->text : nullptr; }

_bstr_t::operator OLECHAR*() const noexcept { return data_ != nullptr ? data_->text : nullptr; }

bool _bstr_t::operator!() const noexcept { return data_ == nullptr || data_->text == nullptr; }

unsigned int _bstr_t::length() const noexcept { return data_ != nullptr ? SysStringLen(data_->text) : 0; }

BSTR _bstr_t::copy(bool duplicate) const {
    if (data_ == nullptr || data_->text == nullptr) return nullptr;
    return duplicate ? Duplicate(data_->text, SysStringLen(data_->text)) : data_->text;
}

void _bstr_t::Attach(BSTR bstr) {
    Data* data = NewData(bstr);
    Release();
    data_ = data;
}

BSTR _bstr_t::Detach() {
    if (data_ == nullptr) return nullptr;
    BSTR text;
    // A count of 1 cannot rise meanwhile: only a holder can make a copy.
    if (data_->count.load(std::memory_order_acquire) == 1) {
        text = data_->text;
        data_->text = nullptr;
    } else {
        text = copy(true);
    }
    Release();
    return text;
}

BSTR& _bstr_t::GetBSTR() {
    if (data_ == nullptr) data_ = NewData(nullptr);
    return data_->text;
}

BSTR* _bstr_t::GetAddress() {
    Data* data = NewData(nullptr);
    Release();
    data_ = data;
    return &data_->text;
}

bool operator==(const _bstr_t& left, const _bstr_t& right) noexcept { return (left <=> right) == 0; }

bool operator==(const _bstr_t& left, const OLECHAR* right) noexcept { return (left <=> right) == 0; }

std::weak_ordering operator<=>(const _bstr_t& left, const _bstr_t& right) noexcept {
    if (left.data_ == right.data_) return std::weak_ordering::equivalent;
    return Compare(static_cast<const OLECHAR*>(left), left.length(), static_cast<const OLECHAR*>(right),
                   right.length());
}

std::weak_ordering operator<=>(const _bstr_t& left, const OLECHAR* right) noexcept {
    return Compare(static_cast<const OLECHAR*>(left), left.length(), right, TextLength(right));
}
