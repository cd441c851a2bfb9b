// Unicode character properties of the Basic Multilingual Plane that the text
// functions need: simple case mappings and letters. Fixed tables, so every
// machine maps and orders alike whatever locales it has installed.
#pragma once

#include <cstdint>

namespace winapi::unicode {

char16_t SimpleUpperCase(char16_t c);
char16_t SimpleLowerCase(char16_t c);
bool IsLetter(char16_t c);

}  // namespace winapi::unicode
