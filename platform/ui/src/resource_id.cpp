#include "ui/resource_id.h"

namespace ui {
namespace {

std::u16string UpperAscii(std::u16string name) {
    for (char16_t& c : name)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return name;
}

}  // namespace

ResourceId::ResourceId(std::u16string name) : value_(UpperAscii(std::move(name))) {}

ResourceId ResourceId::FromPointer(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return ResourceId(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
    return ResourceId(std::u16string(name));
}

}  // namespace ui
