// What a file holds on disk, read with the format's reader directly -
// without opening, or locking, it as a storage: what another reader would
// find there while a holder has the file open.
#pragma once

#include "format/reader.h"
#include "storage_test_support.h"

#include <fcntl.h>

#include <memory>
#include <string>

namespace storage_test {

// The tree of the file at `path`; null with *hr on failure.
inline std::unique_ptr<storage::format::Tree> ReadOnDisk(const fs::path& path, HRESULT* hr) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *hr = STG_E_FILENOTFOUND;
        return nullptr;
    }
    std::unique_ptr<storage::format::Tree> tree;
    *hr = storage::format::ReadCompoundFile(std::make_shared<const storage::format::File>(fd), &tree);
    return tree;
}

// The bytes of the stream at `path` (names joined by '/') of a tree read from disk.
inline std::string StreamOnDisk(const storage::format::Tree& tree, const std::string& path) {
    const storage::format::Element* element = &tree.Root();
    size_t start = 0;
    while (element != nullptr && start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        element = element->FindChild(U16(path.substr(start, end - start)));
        start = end + 1;
    }
    if (element == nullptr || !element->IsStream()) return "<missing>";
    std::string bytes(static_cast<size_t>(element->Content().Size()), '\0');
    size_t read = 0;
    if (FAILED(element->Content().Read(0, bytes.data(), bytes.size(), &read))) return "<unreadable>";
    return bytes;
}

}  // namespace storage_test
