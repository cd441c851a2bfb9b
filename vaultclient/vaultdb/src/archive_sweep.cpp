#include "vaultdb/archive_sweep.h"

#include "vaultdb/database.h"
#include "vaultdb/errors.h"
#include "vaultdb/transaction.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace vaultdb {

namespace {

namespace fs = std::filesystem;

// The temporary files of the archive's saves: "<version>.ver.tmp-<unique>"
// (see WriteFileDurably).
constexpr std::string_view kTemporaryMarker = ".ver.tmp-";

std::optional<int32_t> ParseId(std::string_view text) {
    int32_t value = 0;
    if (text.empty() || text.size() > 10) return std::nullopt;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    if (std::to_string(value) != text) return std::nullopt;  // no leading zeros or signs: not a name we make
    return value;
}

// Removes `file` when no process holds its flock: a temporary file a live
// save still writes is locked (winapi::SaveFile).
bool RemoveUnlocked(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    bool removed = false;
    struct stat opened {
    }, named{};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(file.c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
        removed = ::unlink(file.c_str()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace

HRESULT SweepArchive(Database& database, ArchiveSweep* sweep) {
    ArchiveSweep counts;
    if (database.InTransaction()) return VDB_E_FAIL;
    Transaction transaction(database);
    HRESULT hr = transaction.Begin();
    if (FAILED(hr)) return hr;

    std::set<std::pair<int32_t, int32_t>> named;
    std::unique_ptr<Statement> query;
    // Any row keeps its version's file, whatever it says of it.
    if (FAILED(hr = database.Prepare("SELECT document_id, version FROM document_versions", query))) return hr;
    while ((hr = query->Step()) == S_OK) named.emplace(query->ColumnInt32(0), query->ColumnInt32(1));
    if (FAILED(hr)) return hr;

    std::error_code error;
    for (const fs::directory_entry& folder : fs::directory_iterator(database.ArchiveFolder(), error)) {
        const std::optional<int32_t> document = ParseId(folder.path().filename().string());
        std::error_code typeError;
        if (!document || !folder.is_directory(typeError) || folder.is_symlink(typeError)) continue;
        std::error_code listError;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder.path(), listError)) {
            const std::string name = entry.path().filename().string();
            if (const std::size_t marker = name.find(kTemporaryMarker); marker != std::string::npos) {
                if (ParseId(std::string_view(name).substr(0, marker)) && RemoveUnlocked(entry.path()))
                    ++counts.staleTemporaries;
                continue;
            }
            if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".ver") != 0) continue;
            const std::optional<int32_t> version = ParseId(std::string_view(name).substr(0, name.size() - 4));
            if (!version || named.count({*document, *version}) || !entry.is_regular_file(typeError)) continue;
            std::error_code removeError;
            if (fs::remove(entry.path(), removeError)) ++counts.orphanVersions;
        }
    }
    transaction.Rollback();
    if (sweep) *sweep = counts;
    return S_OK;
}

}  // namespace vaultdb
