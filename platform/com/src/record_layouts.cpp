// The registry of record descriptions that type libraries fill when they
// load. Descriptions are checked here, once, so that a wrong offset or type
// fails at registration instead of corrupting records later.
#include "record_layouts.h"

#include "com/hresults.h"
#include "typed_values.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace com::detail {
namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<const RecordLayout>> layouts;
};

// Built on first use and never destroyed: type libraries register from
// their static initialisers and may unregister from their destructors, in
// any order with this library's own.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

bool SameVersion(const RecordLayout& layout, REFGUID library, ULONG major, ULONG minor) {
    return layout.library == library && layout.major == major && layout.minor == minor;
}

bool IsFieldType(VARTYPE type) {
    // SAFEARRAY(T): a pointer to an array the record owns.
    if (type & VT_ARRAY) type &= static_cast<VARTYPE>(~VT_ARRAY);
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BOOL:
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_VARIANT:
    case VT_RECORD:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void Refuse(const RecordDescription& description, const char16_t* field, const std::string& why) {
    std::string message = "record description ";
    message += description.name ? winapi::ToUtf8(description.name) : "(unnamed)";
    message += " " + winapi::ToUtf8(winapi::GuidToString(description.record));
    if (field) message += ", field " + winapi::ToUtf8(field);
    throw std::invalid_argument(message + ": " + why);
}

// Checks the description and resolves its nested records (the registry is locked).
std::shared_ptr<const RecordLayout> MakeLayout(const RecordDescription& description, const Registry& registry) {
    if (!description.name || !*description.name) Refuse(description, nullptr, "has no name");
    if (description.size == 0) Refuse(description, nullptr, "has size 0");
    auto layout = std::make_shared<RecordLayout>();
    layout->library = description.library;
    layout->major = description.major;
    layout->minor = description.minor;
    layout->record = description.record;
    layout->name = description.name;
    layout->size = description.size;
    for (const RecordField& field : description.fields) {
        if (!field.name || !*field.name) Refuse(description, u"(unnamed)", "has no name");
        for (const FieldLayout& earlier : layout->fields) {
            if (winapi::EqualsIgnoreCase(earlier.name, field.name)) Refuse(description, field.name, "named twice");
        }
        if (!IsFieldType(field.type)) {
            Refuse(description, field.name, "type " + std::to_string(field.type) + " is not a field type");
        }
        if (field.count == 0) Refuse(description, field.name, "count 0");
        FieldLayout resolved{field.name, field.offset, field.type, field.count, 0, nullptr};
        const bool isArray = (field.type & VT_ARRAY) != 0;
        if ((field.type & VT_TYPEMASK) == VT_RECORD) {
            for (const auto& candidate : registry.layouts) {
                if (SameVersion(*candidate, description.library, description.major, description.minor) &&
                    candidate->record == field.record) {
                    resolved.nested = candidate;
                }
            }
            if (!resolved.nested) {
                Refuse(description, field.name,
                       "nested record " + winapi::ToUtf8(winapi::GuidToString(field.record)) +
                           " is not registered in this library version (register it first)");
            }
            resolved.elementSize = isArray ? sizeof(SAFEARRAY*) : resolved.nested->size;
        } else if (isArray) {
            resolved.elementSize = sizeof(SAFEARRAY*);
        } else {
            resolved.elementSize = static_cast<ULONG>(ValueSize(field.type));
        }
        if (field.count > 1 && (IsOwningType(field.type) || field.type == VT_RECORD)) {
            Refuse(description, field.name, "a fixed array must have a plain element type");
        }
        const uint64_t end = uint64_t{field.offset} + uint64_t{resolved.elementSize} * field.count;
        if (end > description.size) {
            Refuse(
                description, field.name,
                "ends at byte " + std::to_string(end) + ", past the record size " + std::to_string(description.size));
        }
        layout->fields.push_back(std::move(resolved));
    }
    std::vector<const FieldLayout*> byOffset;
    for (const FieldLayout& field : layout->fields) byOffset.push_back(&field);
    std::sort(byOffset.begin(), byOffset.end(),
              [](const FieldLayout* a, const FieldLayout* b) { return a->offset < b->offset; });
    for (size_t i = 1; i < byOffset.size(); ++i) {
        const FieldLayout& previous = *byOffset[i - 1];
        if (previous.offset + previous.elementSize * previous.count > byOffset[i]->offset) {
            Refuse(description, byOffset[i]->name.c_str(), "overlaps field " + winapi::ToUtf8(previous.name));
        }
    }
    return layout;
}

}  // namespace

std::shared_ptr<const RecordLayout> FindRecordLayout(REFGUID library, ULONG major, ULONG minor, REFGUID record,
                                                     HRESULT* result) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    // The platform loads the highest minor version of the major version asked for.
    bool libraryKnown = false;
    ULONG bestMinor = 0;
    for (const auto& layout : registry.layouts) {
        if (layout->library == library && layout->major == major && layout->minor >= minor) {
            if (!libraryKnown || layout->minor > bestMinor) bestMinor = layout->minor;
            libraryKnown = true;
        }
    }
    if (!libraryKnown) {
        *result = TYPE_E_LIBNOTREGISTERED;
        return nullptr;
    }
    for (const auto& layout : registry.layouts) {
        if (SameVersion(*layout, library, major, bestMinor) && layout->record == record) {
            *result = S_OK;
            return layout;
        }
    }
    *result = TYPE_E_ELEMENTNOTFOUND;
    return nullptr;
}

}  // namespace com::detail

namespace com {

void RegisterRecordDescription(const RecordDescription& description) {
    detail::Registry& registry = detail::TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto layout = detail::MakeLayout(description, registry);
    for (auto& existing : registry.layouts) {
        if (detail::SameVersion(*existing, description.library, description.major, description.minor) &&
            existing->record == description.record) {
            existing = std::move(layout);
            return;
        }
    }
    registry.layouts.push_back(std::move(layout));
}

void UnregisterRecordDescriptions(REFGUID library) {
    detail::Registry& registry = detail::TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.layouts, [&](const auto& layout) { return layout->library == library; });
}

}  // namespace com
