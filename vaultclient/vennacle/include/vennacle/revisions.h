// Revisions of the vault's documents: the text each version carries
// (document_versions.revision, items.revision) and how it counts on when a
// revision is incremented, by a workflow transition or by the user.
#pragma once

#include <string>
#include <string_view>

namespace vennacle {

// The revision after `revision`: "A" -> "B", "Z" -> "AA", "" -> "A"; a
// revision ending in digits counts them up ("1" -> "2", "A9" -> "A10"); any
// other revision gets an "A" appended ("b" -> "bA").
std::u16string NextRevision(std::u16string_view revision);

}  // namespace vennacle
