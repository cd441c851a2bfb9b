// CString: the small UTF-16 string class the system's code passes around
// (vault names in lists, texts built piece by piece). It owns its text and
// always hands out a terminated one.
#pragma once

#include "winapi/text.h"
#include "winapi/types.h"

#include <string>
#include <utility>

class CString {
public:
    CString() = default;
    // A null text gives an empty string, as the platform's class does.
    CString(const WCHAR* text) : text_(text ? text : u"") {}

    const WCHAR* GetString() const noexcept { return text_.c_str(); }
    operator LPCWSTR() const noexcept { return text_.c_str(); }
    int GetLength() const noexcept { return static_cast<int>(text_.size()); }
    bool IsEmpty() const noexcept { return text_.empty(); }

    // Negative, 0 or positive, by code unit; a null text counts as empty.
    int Compare(const WCHAR* other) const { return text_.compare(other ? other : u""); }
    // The same without regard to case (winapi::CompareIgnoreCase).
    int CompareNoCase(const WCHAR* other) const { return winapi::CompareIgnoreCase(text_, other ? other : u""); }

    CString& operator+=(const WCHAR* text) {
        if (text) text_ += text;
        return *this;
    }
    CString& operator+=(const CString& text) {
        text_ += text.text_;
        return *this;
    }
    CString& operator+=(WCHAR c) {
        text_ += c;
        return *this;
    }

    friend bool operator==(const CString& a, const CString& b) noexcept { return a.text_ == b.text_; }
    friend bool operator==(const CString& a, const WCHAR* b) { return a.Compare(b) == 0; }

private:
    std::u16string text_;
};
