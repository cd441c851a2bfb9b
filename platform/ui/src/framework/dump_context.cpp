#include "ui/framework/dump_context.h"

#include "ui/framework/object.h"
#include "winapi/text.h"

#include <cstdio>

CDumpContext afxDump;

void CDumpContext::Write(const std::string& text) {
    if (text_)
        *text_ += text;
    else
        std::fputs(text.c_str(), stderr);
}

CDumpContext& CDumpContext::operator<<(const char* text) {
    Write(text ? text : "(null)");
    return *this;
}

CDumpContext& CDumpContext::operator<<(const WCHAR* text) {
    Write(text ? winapi::ToUtf8(text) : "(null)");
    return *this;
}

CDumpContext& CDumpContext::operator<<(int value) {
    Write(std::to_string(value));
    return *this;
}

CDumpContext& CDumpContext::operator<<(UINT value) {
    Write(std::to_string(value));
    return *this;
}

CDumpContext& CDumpContext::operator<<(const void* pointer) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", pointer);
    Write(buffer);
    return *this;
}

void CObject::Dump(CDumpContext& dc) const {
    dc << "a " << GetRuntimeClass()->m_lpszClassName << " at " << static_cast<const void*>(this) << "\n";
}
