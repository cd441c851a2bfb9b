// A resource's name as the system passes it: a number made into a pointer
// with MAKEINTRESOURCEW (a value below 0x10000), or a text.
#pragma once

#include "winapi/types.h"

#include <string>
#include <variant>

#ifndef MAKEINTRESOURCEW
#define MAKEINTRESOURCEW(id) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(name) ((reinterpret_cast<ULONG_PTR>(name) >> 16) == 0)
#endif

namespace ui {

// A resource's number or its name. Names compare without regard to ASCII
// case, as the system's resource names do.
class ResourceId {
public:
    ResourceId(int number) : value_(number) {}
    ResourceId(std::u16string name);
    ResourceId(const char16_t* name) : ResourceId(std::u16string(name)) {}
    // MAKEINTRESOURCEW(n) or a text; null is number 0.
    static ResourceId FromPointer(LPCWSTR name);

    bool IsNumber() const { return std::holds_alternative<int>(value_); }
    int Number() const { return IsNumber() ? std::get<int>(value_) : 0; }
    // The name in upper case; empty for a number.
    std::u16string Name() const { return IsNumber() ? std::u16string() : std::get<std::u16string>(value_); }

    auto operator<=>(const ResourceId&) const = default;

private:
    std::variant<int, std::u16string> value_;
};

}  // namespace ui
