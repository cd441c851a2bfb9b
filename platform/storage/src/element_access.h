// What the objects of this library tell each other about the element behind
// an interface pointer, so that a copy or move between two elements of one
// file can refuse to copy a storage into itself. Answered through
// QueryInterface by storages and streams; objects of other libraries do not
// have it.
#pragma once

#include "com/unknown.h"

#include <cstdint>

namespace storage {

class CompoundDocument;
namespace format {
class Element;
}

struct IElementAccess : IUnknown {
    COM_INTERFACE_ID("6F1C2A4E-93B7-4D25-8E0A-5C3B7D9E1F42");
    virtual CompoundDocument* OwningDocument() = 0;
    // The element, or null when it is no longer valid (reverted).
    virtual format::Element* ValidElement() = 0;

protected:
    ~IElementAccess() = default;
};

}  // namespace storage
