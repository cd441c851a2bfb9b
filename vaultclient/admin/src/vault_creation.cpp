#include "vaultadmin/vault_creation.h"

#include "vaultadmin/admin_error.h"
#include "creation_marker.h"
#include "view_folder.h"
#include "system_error_text.h"
#include "undo_list.h"
#include "vault_setup.h"

#include "common/desktop_ini.h"
#include "vaultdb/database.h"
#include "vaultdb/errors.h"
#include "vaultdb/private_files.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <system_error>

namespace fs = std::filesystem;

namespace vaultadmin {

namespace {

std::string Narrow(const std::u16string& text) { return winapi::ToUtf8(text); }

// The name is a registry key name and the database's file name (DbName).
void CheckVaultName(const std::u16string& name) {
    if (name.empty() || name.size() > 200) throw AdminError("a vault name has 1 to 200 characters");
    if (name == u"." || name == u"..") throw AdminError("\"" + Narrow(name) + "\" cannot name a vault");
    // The stored-procedure layer refuses a database name that could be a path.
    for (char16_t c : name)
        if (c < 0x20 || c == u'\\' || c == u'/' || c == u':')
            throw AdminError("a vault name cannot hold a slash, a backslash, a colon or a control character");
}

// Makes `folder` and missing parents, private ones (vaultdb::MakePrivateFolders)
// for the vault's own folder; undoing removes only what was made.
enum class FolderAccess { Ordinary, Private };
void MakeFolder(const fs::path& folder, UndoList& undo, const std::string& what,
                FolderAccess access = FolderAccess::Ordinary) {
    fs::path firstMissing;
    for (fs::path step = folder; !step.empty() && !fs::exists(step); step = step.parent_path()) {
        firstMissing = step;
        if (step == step.parent_path()) break;
    }
    std::error_code error;
    if (access == FolderAccess::Private)
        error = vaultdb::MakePrivateFolders(folder);
    else
        fs::create_directories(folder, error);
    if (!error && !fs::is_directory(folder)) error = std::make_error_code(std::errc::not_a_directory);
    if (!firstMissing.empty() && fs::exists(firstMissing))
        undo.Add([firstMissing] {
            std::error_code ignored;
            fs::remove_all(firstMissing, ignored);
        });
    if (error) throw AdminError("cannot make the " + what + " " + folder.string() + ": " + error.message());
}

// The absolute folder without "." or ".." and without a trailing separator.
fs::path AbsoluteFolder(const fs::path& folder) {
    fs::path normal = fs::absolute(folder).lexically_normal();
    return normal.has_filename() || normal == normal.root_path() ? normal : normal.parent_path();
}

void RemoveFile(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

void RemoveDatabase(const fs::path& file, const fs::path& archive) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) RemoveFile(file.string() + suffix);
    std::error_code ignored;
    fs::remove_all(archive, ignored);
}

void CheckNotRegistered(const std::u16string& name) {
    for (RegistryScope scope : {RegistryScope::Machine, RegistryScope::User})
        if (IsVaultRegistered(scope, name))
            throw AdminError("a vault named \"" + Narrow(name) + "\" is registered already" +
                             (scope == RegistryScope::Machine ? " for the machine" : " for the user"));
}

// Removes what a killed creation of the same vault made: its database and
// archive (made only after it recorded its mark) and the desktop.ini of its
// view, when that still names the killed creation's vault.
void RemoveUnfinished(const UnfinishedCreation& unfinished, const fs::path& databaseFile) {
    RemoveDatabase(databaseFile, vaultdb::ArchiveFolderOf(databaseFile));
    GUID vaultId{};
    const std::u16string view = winapi::FromPosixPath(unfinished.viewFolder.string());
    if (GetDesktopIniGuid(view.c_str(), kDesktopIniVaultId, vaultId) && vaultId == unfinished.vaultId)
        RemoveFile(unfinished.viewFolder / "desktop.ini");
}

GUID NewGuid() {
    GUID id{};
    if (UuidCreate(&id) != RPC_S_OK) throw AdminError("cannot make a new GUID");
    return id;
}

}  // namespace

CreatedVault CreateVault(const VaultCreation& request) {
    CheckVaultName(request.name);

    const fs::path server = AbsoluteFolder(request.serverFolder);
    const fs::path view = AbsoluteFolder(request.viewFolder);
    CreatedVault created;
    created.databaseFile = vaultdb::VaultDatabaseFile(server, request.name);
    const fs::path archive = vaultdb::ArchiveFolderOf(created.databaseFile);

    UndoList undo;
    // The server folder holds the database, and with it every password hash.
    MakeFolder(server, undo, "server folder", FolderAccess::Private);
    CreationMarker marker(created.databaseFile);
    undo.Add([&marker] { marker.Remove(); });
    if (marker.Unfinished()) {
        // A killed creation may have left its registry key without all its
        // values; a complete entry is a finished vault and stays.
        for (RegistryScope scope : {RegistryScope::Machine, RegistryScope::User})
            if (IsVaultRegistered(scope, request.name) && !IsVaultRegistrationComplete(scope, request.name))
                UnregisterVault(scope, request.name);
    }
    // Checked again under the mark: a creation that finished while this one
    // waited registered its vault before it let go of the mark.
    CheckNotRegistered(request.name);
    if (marker.Unfinished()) RemoveUnfinished(*marker.Unfinished(), created.databaseFile);

    if (fs::exists(created.databaseFile)) throw AdminError(created.databaseFile.string() + " exists already");
    if (fs::exists(archive)) throw AdminError("the archive folder " + archive.string() + " exists already");
    if (fs::exists(view / "desktop.ini"))
        throw AdminError(view.string() + " is a vault view already (it has a desktop.ini)");

    created.vaultId = NewGuid();
    created.viewId = NewGuid();
    marker.Record({created.vaultId, view});

    MakeFolder(view, undo, "view folder");
    undo.Add([view] { RemoveFile(view / "desktop.ini"); });
    WriteViewIds(view, created.viewId, created.vaultId);

    const fs::path file = created.databaseFile;
    {
        std::unique_ptr<vaultdb::Database> database;
        const HRESULT hr = vaultdb::OpenVaultDatabase(file, vaultdb::OpenMode::CreateNew, database);
        // A database that appeared since the check above is another's: never remove it.
        if (hr == vaultdb::VDB_E_EXISTS) throw AdminError(file.string() + " exists already");
        // Ours go whether the open failed half-way or a later step fails.
        undo.Add([file, archive] { RemoveDatabase(file, archive); });
        if (FAILED(hr)) throw AdminError("cannot create the vault database " + file.string() + ": " + HresultText(hr));
        VaultSetup setup{created.vaultId, request.name, created.viewId, ShellRootText(view), request.adminPassword};
        WriteNewVaultContents(*database, setup);
    }

    VaultRegistration& registration = created.registration;
    registration.name = request.name;
    registration.shellRoot = ShellRootText(view);
    registration.dbServer = winapi::FromPosixPath(server.string());
    registration.dbName = request.name;
    registration.serverLoc = registration.dbServer;
    registration.serverPort = kDefaultServerPort;
    registration.vaultType = 0;
    RegisterVault(request.scope, registration);

    undo.Commit();
    marker.Remove();
    return created;
}

}  // namespace vaultadmin
