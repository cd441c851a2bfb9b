#include "admin_commands.h"

#include "vaultadmin/admin_error.h"
#include "command_line.h"
#include "vaultadmin/demo_seeding.h"
#include "file_import.h"
#include "password_input.h"
#include "vaultadmin/user_admin.h"
#include "vault_changes.h"
#include "vaultadmin/vault_creation.h"
#include "vault_listing.h"
#include "vault_names.h"
#include "vaultadmin/vault_opening.h"

#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <exception>
#include <ostream>

namespace vaultadmin {

namespace {

const char kUsage[] =
    "usage: vaultadmin <command> ...\n"
    "  create <name> --server <folder> --view <view-folder> [--machine|--user] [--admin-password]\n"
    "      creates the vault database and archive in the server folder, the view folder with its\n"
    "      desktop.ini, the administrator \"Admin\" (password \"admin\" unless --admin-password) and\n"
    "      the registry entry for the machine (default) or the user\n"
    "  add-user <vault> <user> [--rights n,n,...]\n"
    "      adds a user with its system rights (e.g. 1028 check in, 0x4000000 administration)\n"
    "  import <vault> <local file> <vault folder path>\n"
    "      adds the file as version 1 to the vault folder (e.g. \"\\Projects\\Parts\\\")\n"
    "  add-item <vault> <item folder path> <name>\n"
    "      adds the item \"<name>.<item>\" to the item folder (e.g. \"\\<items>\\Parts\\\")\n"
    "  delete-item <vault> <item name>\n"
    "      deletes the item (e.g. \"ITM-00001.<item>\"); tree refreshes report it deleted\n"
    "  add-version <vault> <vault file path> <local file>\n"
    "      stores the local file as the next version of the vault file\n"
    "  seed-demo <vault>\n"
    "      fills the vault with the demo content: item folders, items, files, links, BOMs, a workflow\n"
    "  list\n"
    "      the vaults this machine and user see, with their view and vault ids\n"
    "  Passwords are never taken from the command line, where other users can read them: they are\n"
    "  read from the terminal without echo, or as one line of standard input (e.g. from a pipe).\n";

// A command line that cannot be used, as opposed to an operation that failed.
class UsageError : public AdminError {
public:
    using AdminError::AdminError;
};

CommandLine Parse(const std::vector<std::string>& args, const CommandSyntax& syntax) {
    try {
        return ParseCommandLine(args, syntax);
    } catch (const AdminError& error) {
        throw UsageError(error.what());
    }
}

// Names and paths of the command line as UTF-16; one that is not UTF-8 is
// refused rather than stored with replacement characters.
std::u16string Wide(const std::string& text, const std::string& what = "the argument") {
    return StrictUtf16(text, what);
}

// A password given as an option's value would be readable by every user in
// /proc: refuse it before anything is done, saying where passwords come from.
// `option` stands for a value that follows it ("--password secret") or is
// joined to it ("--password=secret"); `valueFollows` says whether a word after
// the option is taken for its value.
void RefusePasswordArguments(const std::vector<std::string>& args, const std::string& option, bool valueFollows) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const bool valueAfter = args[i] == option && i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0;
        if (args[i].rfind(option + "=", 0) == 0 || (valueAfter && valueFollows))
            throw UsageError("passwords are not taken from the command line (other users can read them there); " +
                             args[0] + " reads the password from the terminal or standard input");
    }
}

// Where a command reads a password from, and where it asks for it.
struct PasswordSource {
    int fd;
    std::ostream& prompts;

    std::u16string Read(const std::string& whose) const {
        return Wide(ReadPassword(fd, "password for " + whose + ": ", prompts), "the password");
    }
};

void Create(const std::vector<std::string>& args, std::ostream& out, const PasswordSource& passwords) {
    RefusePasswordArguments(args, "--admin-password", false);
    CommandLine line;
    try {
        line = Parse(args, {1, {"server", "view"}, {"machine", "user", "admin-password"}});
    } catch (const UsageError&) {
        // "--admin-password <p>", as earlier versions took it, shows as one
        // argument too many: say why instead.
        RefusePasswordArguments(args, "--admin-password", true);
        throw;
    }
    if (line.Has("machine") && line.Has("user")) throw UsageError("give --machine or --user, not both");
    if (!line.Option("server") || !line.Option("view")) throw UsageError("create needs --server and --view");
    VaultCreation request;
    request.name = Wide(line.arguments[0]);
    request.serverFolder = *line.Option("server");
    request.viewFolder = *line.Option("view");
    request.scope = line.Has("user") ? RegistryScope::User : RegistryScope::Machine;
    if (line.Has("admin-password")) request.adminPassword = passwords.Read(winapi::ToUtf8(kAdminUserName));
    const CreatedVault created = CreateVault(request);
    out << "created vault " << line.arguments[0] << " (vault " << winapi::ToUtf8(winapi::GuidToString(created.vaultId))
        << ", view " << winapi::ToUtf8(winapi::GuidToString(created.viewId)) << ") in " << created.databaseFile.string()
        << "\n";
}

void AddUserCommand(const std::vector<std::string>& args, std::ostream& out, const PasswordSource& passwords) {
    RefusePasswordArguments(args, "--password", true);
    const CommandLine line = Parse(args, {2, {"rights"}, {}});
    std::vector<DWORD> rights;
    if (auto text = line.Option("rights")) {
        try {
            rights = ParseRights(*text);
        } catch (const AdminError& error) {
            throw UsageError(error.what());
        }
    }
    auto database = OpenRegisteredVault(Wide(line.arguments[0]));
    const std::u16string password = passwords.Read(line.arguments[1]);
    const int32_t id = AddUser(*database, Wide(line.arguments[1]), password, rights);
    out << "added user " << line.arguments[1] << " (id " << id << ") to " << line.arguments[0] << "\n";
}

void Import(const std::vector<std::string>& args, std::ostream& out) {
    const CommandLine line = Parse(args, {3, {}, {}});
    auto database = OpenRegisteredVault(Wide(line.arguments[0]));
    const int32_t id =
        ImportFile(*database, line.arguments[1], Wide(line.arguments[2]), UserId(*database, kAdminUserName));
    out << "imported " << line.arguments[1] << " as document " << id << "\n";
}

void AddItemCommand(const std::vector<std::string>& args, std::ostream& out) {
    const CommandLine line = Parse(args, {3, {}, {}});
    auto database = OpenRegisteredVault(Wide(line.arguments[0]));
    const int32_t id =
        AddItem(*database, Wide(line.arguments[1]), Wide(line.arguments[2]), UserId(*database, kAdminUserName));
    out << "added item " << line.arguments[2] << " (id " << id << ") to " << line.arguments[1] << "\n";
}

void DeleteItemCommand(const std::vector<std::string>& args, std::ostream& out) {
    const CommandLine line = Parse(args, {2, {}, {}});
    auto database = OpenRegisteredVault(Wide(line.arguments[0]));
    const int32_t id = DeleteItem(*database, Wide(line.arguments[1]), UserId(*database, kAdminUserName));
    out << "deleted item " << line.arguments[1] << " (id " << id << ")\n";
}

void AddVersionCommand(const std::vector<std::string>& args, std::ostream& out) {
    const CommandLine line = Parse(args, {3, {}, {}});
    auto database = OpenRegisteredVault(Wide(line.arguments[0]));
    const int32_t version = AddFileVersionFromFile(*database, Wide(line.arguments[1]), line.arguments[2],
                                                   UserId(*database, kAdminUserName));
    out << "stored " << line.arguments[2] << " as version " << version << " of " << line.arguments[1] << "\n";
}

void SeedDemo(const std::vector<std::string>& args, std::ostream& out) {
    const CommandLine line = Parse(args, {1, {}, {}});
    auto database = OpenRegisteredVault(Wide(line.arguments[0]));
    const DemoCounts counts = SeedDemoVault(*database);
    out << "seeded " << line.arguments[0] << ": " << counts.itemFolders << " item folders, " << counts.items
        << " items, " << counts.files + counts.referenceFiles << " files in " << counts.fileVersions << " versions, "
        << counts.dynamicLinks + counts.staticLinks + counts.bomLinks << " links, " << counts.boms << " BOMs, "
        << counts.checkedOut << " items checked out, " << counts.fileReferences << " file references\n";
}

void List(const std::vector<std::string>& args, std::ostream& out) {
    Parse(args, {0, {}, {}});
    for (const ListedVault& vault : ListVaults()) {
        out << winapi::ToUtf8(vault.name) << "  view " << winapi::ToUtf8(winapi::GuidToString(vault.viewId))
            << "  vault " << winapi::ToUtf8(winapi::GuidToString(vault.vaultId)) << "  "
            << winapi::ToUtf8(vault.connection.ShellRoot) << "\n";
    }
}

}  // namespace

int RunAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, int input) {
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? kExitUsage : kExitSuccess;
    }
    try {
        const std::string& command = args[0];
        const PasswordSource passwords{input, err};
        if (command == "create")
            Create(args, out, passwords);
        else if (command == "add-user")
            AddUserCommand(args, out, passwords);
        else if (command == "import")
            Import(args, out);
        else if (command == "add-item")
            AddItemCommand(args, out);
        else if (command == "delete-item")
            DeleteItemCommand(args, out);
        else if (command == "add-version")
            AddVersionCommand(args, out);
        else if (command == "seed-demo")
            SeedDemo(args, out);
        else if (command == "list")
            List(args, out);
        else
            throw UsageError("unknown command \"" + command + "\"");
        return kExitSuccess;
    } catch (const UsageError& error) {
        err << "vaultadmin: " << error.what() << "\n" << kUsage;
        return kExitUsage;
    } catch (const std::exception& error) {
        // AdminError, and what the file system or memory raise: every
        // operation has undone its steps by the time it arrives here.
        err << "vaultadmin: " << error.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace vaultadmin
