// Str: the explorer's wide string, with the comma tokenizer that splits the
// lists of the command line ("/i 12,14,15").
#pragma once

#include "winapi/types.h"

#include <string>

class Str {
public:
    Str() = default;
    explicit Str(std::u16string text) : moText(std::move(text)) {}
    virtual ~Str() = default;
    Str(const Str&) = default;
    Str& operator=(const Str&) = default;

    // The next token of a comma-separated text at `cursor`, which moves on
    // past the token and the commas after it; it becomes null at the end of
    // the text. Empty tokens between commas are skipped, but a leading comma
    // gives an empty first token. A null cursor, or the value 1 (an
    // exhausted text), gives an empty token and a null cursor.
    static Str Tokenize(LPCWSTR& cursor);

    const std::u16string& Text() const noexcept { return moText; }
    bool IsEmpty() const noexcept { return moText.empty(); }

private:
    std::u16string moText;
};
