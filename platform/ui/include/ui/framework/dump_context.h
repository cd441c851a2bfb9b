// CDumpContext: where CObject::Dump writes an object's diagnostic text.
// afxDump writes to the standard error; a context made over a string
// collects the text instead (tests, logs).
#pragma once

#include "winapi/types.h"

#include <string>

class CDumpContext {
public:
    // Writes to the standard error.
    CDumpContext() = default;
    // Appends to `*text` (UTF-8), which must outlive the context.
    explicit CDumpContext(std::string* text) : text_(text) {}

    CDumpContext& operator<<(const char* text);
    CDumpContext& operator<<(const WCHAR* text);
    CDumpContext& operator<<(int value);
    CDumpContext& operator<<(UINT value);
    CDumpContext& operator<<(const void* pointer);

private:
    void Write(const std::string& text);
    std::string* text_ = nullptr;
};

extern CDumpContext afxDump;
