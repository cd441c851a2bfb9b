// Saving a file whole: the new content is written to a temporary file beside
// the target and renamed over it, so the target always holds either its old
// or its new content, whenever the writer dies. Every layer that replaces a
// file (registry hives, INI files, file copies, compound files, the vault's
// archive) saves through this class; durability is decided here only.
//
// The guarantee: Commit returns 0 only after the new content and the folder
// entry that names it have both been flushed to disk. When Commit fails, the
// target is as it was - except when only the last step, flushing the folder,
// failed: the new content is then in place (IsPlaced()) but may not survive a
// power cut, and the error says so. A save that was not placed can be
// committed again (with another placement) or abandoned; its temporary file
// goes with the object either way.
// A writer killed at any point leaves the old or the new content at the
// target, and at most a temporary file "<name><marker><unique>" beside it.
//
// The temporary file is locked (flock, exclusive) from its creation, so the
// lock moves with the content when it is placed, and a sweeper can tell a
// live temporary file (locked) from one left by a dead writer.
//
// Results are 0 or an errno value; each caller maps them to its own codes.
#pragma once

#include "winapi/unique_fd.h"

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace winapi {

class SaveFile {
public:
    struct Options {
        // Permission bits of the saved file: exactly these, or these less
        // the process's umask when `applyUmask`.
        mode_t mode = 0600;
        bool applyUmask = false;
        // Between the target's name and the unique suffix of the temporary
        // file; callers that sweep stale temporary files choose their own.
        std::string marker = ".save-";
        // false: Commit flushes the content and places it, but leaves the
        // folder's flush to the caller, who saves many files and then calls
        // FlushFolder once for each folder they went to - before it relies
        // on any of them, since until then a power cut may undo the rename.
        bool flushFolder = true;
        // false: Commit does not flush the content; the caller has made it
        // durable already (one FlushFileSystem after writing many temporary
        // files costs far less than a flush each), so the rename never names
        // content that a power cut could lose.
        bool flushContent = true;
    };
    enum class Placement {
        kReplace,       // the target may exist and is replaced
        kMustNotExist,  // EEXIST when the target exists; nothing changes
    };

    SaveFile() = default;
    // Removes the temporary file unless it was placed.
    ~SaveFile();
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Creates the locked temporary file for `target` in the target's folder
    // (ENOENT when that folder is missing).
    int Create(const std::string& target, const Options& options);
    int Create(const std::string& target) { return Create(target, Options{}); }

    // The temporary file's descriptor, for callers that write it themselves.
    int fd() const { return file_.Get(); }
    const std::string& TemporaryPath() const { return temporary_; }

    // Appends all of `bytes` (interrupted writes are resumed).
    int Write(const void* data, size_t size);
    int Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }

    // Flushes the content, renames it over (or, kMustNotExist, to) the
    // target and flushes the folder (unless Options::flushFolder is false).
    // See the guarantee above.
    int Commit(Placement placement = Placement::kReplace);
    bool IsPlaced() const { return placed_; }

    // After placing: the still open, still locked descriptor of the file now
    // at the target, for callers that keep it.
    UniqueFd TakeDescriptor() { return std::move(file_); }

    // Abandons the save: the temporary file goes, the target stays.
    void Rollback();

private:
    std::string target_;
    std::string temporary_;
    UniqueFd file_;
    bool flushFolder_ = true;
    bool flushContent_ = true;
    bool placed_ = false;
};

// Renames `from` to `to` unless `to` exists, atomically where the file
// system allows it (renameat2, else a hard link). 0, EEXIST when `to`
// exists, or another errno value.
int RenameNoReplace(const std::string& from, const std::string& to);

// Removes the temporary files that dead writers left beside `target` (named
// with `marker`); those still locked by a live writer stay. For callers that
// hold the target's own lock, so no new save starts meanwhile.
void RemoveStaleSaves(const std::string& target, std::string_view marker);

// Flushes a folder's entries to disk. 0 or an errno value.
int FlushFolder(const std::string& folder);

// Flushes every file of the file system that holds `fd` (syncfs): the
// contents of many saves at once, before they are committed with
// Options::flushContent false. 0 or an errno value.
int FlushFileSystem(int fd);

// The steps of a save, for tests that fail them one by one.
enum class SaveStep { kCreate, kWrite, kFlushData, kRename, kFlushFolder };
// Called before each step of every save in the process (kFlushFolder also
// before every FlushFolder); a non-zero errno value makes that step fail with
// it. Null (the default) for none. Tests only.
using SaveFaultHook = int (*)(SaveStep step);
void SetSaveFaultHook(SaveFaultHook hook);

}  // namespace winapi
