#include "explorer/data/str.h"

namespace {

constexpr WCHAR kDelimiter = u',';

}  // namespace

Str Str::Tokenize(LPCWSTR& cursor) {
    if (cursor == nullptr || cursor == reinterpret_cast<LPCWSTR>(1)) {
        cursor = nullptr;
        return Str();
    }
    LPCWSTR end = cursor;
    while (*end != 0 && *end != kDelimiter) ++end;
    Str token(std::u16string(cursor, end));
    while (*end == kDelimiter) ++end;
    cursor = *end != 0 ? end : nullptr;
    return token;
}
