#include "vaultadmin/demo_seeding.h"

#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_creation.h"
#include "document_rows.h"
#include "system_error_text.h"
#include "user_rows.h"
#include "vault_folders.h"
#include "vault_sql.h"

#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace vaultadmin {

namespace {

// Item folders below "\<items>\"; assemblies are made in "Assemblies\".
const char16_t* const kItemFolders[kDemoItemFolders] = {
    u"Mechanical\\",
    u"Mechanical\\Fasteners\\",
    u"Mechanical\\Bearings\\",
    u"Mechanical\\Housings\\",
    u"Electrical\\",
    u"Electrical\\Cables\\",
    u"Electrical\\Connectors\\",
    u"Purchased\\",
    u"Documentation\\",
    u"Assemblies\\",
};
const char16_t* const kNouns[] = {u"Bolt",   u"Nut",    u"Washer", u"Bearing", u"Housing", u"Cover",
                                  u"Cable",  u"Plug",   u"Socket", u"Bracket", u"Shaft",   u"Gear",
                                  u"Spacer", u"Gasket", u"Clamp",  u"Panel"};
const char16_t* const kMaterials[] = {u"Steel S235", u"Stainless 1.4301", u"Aluminium 6082", u"Brass CuZn39Pb3",
                                      u"PA6 GF30"};

enum DemoState { kWorkInProgress, kUnderReview, kApproved, kObsolete, kStateCount };

struct Workflow {
    int32_t states[kStateCount];
    int transitions = 0;
};

std::u16string Numbered(const char16_t* prefix, int number, const char16_t* suffix) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%05d", number);
    return prefix + winapi::ToUtf16(digits) + suffix;
}

Workflow AddReleaseWorkflow(VaultSql& sql) {
    const int32_t workflow = sql.Insert("INSERT INTO workflows (name, name_key) VALUES (?, ?) RETURNING id",
                                        {std::u16string(u"Release Process"), vaultdb::FoldKey(u"Release Process")});
    Workflow result{};
    const char16_t* const names[kStateCount] = {u"Work in Progress", u"Under Review", u"Approved", u"Obsolete"};
    for (int state = 0; state < kStateCount; ++state)
        result.states[state] = sql.Insert(
            "INSERT INTO workflow_states (workflow_id, name, name_key, is_initial) VALUES (?, ?, ?, ?) RETURNING id",
            {int64_t(workflow), std::u16string(names[state]), vaultdb::FoldKey(names[state]),
             int64_t(state == kWorkInProgress)});
    struct Transition {
        const char16_t* name;
        DemoState from, to;
        bool incrementsRevision;
    };
    const Transition transitions[] = {
        {u"Submit for Review", kWorkInProgress, kUnderReview, false},
        {u"Reject", kUnderReview, kWorkInProgress, false},
        {u"Approve", kUnderReview, kApproved, true},
        {u"Revise", kApproved, kWorkInProgress, false},
        {u"Retire", kApproved, kObsolete, false},
    };
    for (const Transition& transition : transitions) {
        sql.Run(
            "INSERT INTO workflow_transitions (workflow_id, name, name_key, from_state_id, to_state_id, "
            "increments_revision) VALUES (?, ?, ?, ?, ?, ?)",
            {int64_t(workflow), std::u16string(transition.name), vaultdb::FoldKey(transition.name),
             int64_t(result.states[transition.from]), int64_t(result.states[transition.to]),
             int64_t(transition.incrementsRevision)});
        ++result.transitions;
    }
    return result;
}

int32_t AddVariable(VaultSql& sql, const char16_t* name) {
    return sql.Insert("INSERT INTO variables (name, name_key) VALUES (?, ?) RETURNING id",
                      {std::u16string(name), vaultdb::FoldKey(name)});
}

void AddLink(VaultSql& sql, int32_t parent, int childType, int32_t child, int linkType, int32_t attachedVersion,
             DemoCounts& counts) {
    sql.Run("INSERT INTO links (parent_id, child_type, child_id, link_type, attached_version) VALUES (?, ?, ?, ?, ?)",
            {int64_t(parent), int64_t(childType), int64_t(child), int64_t(linkType), int64_t(attachedVersion)});
    (linkType == vaultdb::kLinkDynamic  ? counts.dynamicLinks
     : linkType == vaultdb::kLinkStatic ? counts.staticLinks
                                        : counts.bomLinks)++;
}

// A file with `versions` versions of small text contents, counted in
// `fileCount`; returns its id.
int32_t AddDemoFile(VaultSql& sql, int32_t folder, const std::u16string& name, int versions, int32_t user,
                    DemoCounts& counts, int& fileCount) {
    const int32_t id = InsertFileDocument(sql, folder, name, user);
    for (int version = 1; version <= versions; ++version) {
        const std::string contents = "demo file " + winapi::ToUtf8(name) + " version " + std::to_string(version) + "\n";
        AddFileVersion(sql, id, contents, user, version == 1 ? u"Initial version" : u"Updated geometry");
        ++counts.fileVersions;
    }
    ++fileCount;
    return id;
}

void AddConfigurations(VaultSql& sql, int32_t document, std::initializer_list<const char16_t*> names,
                       DemoCounts& counts) {
    for (const char16_t* name : names) {
        sql.Run("INSERT INTO configurations (document_id, name) VALUES (?, ?)",
                {int64_t(document), std::u16string(name)});
        ++counts.configurations;
    }
}

// One reference of `parent` to `child` (in `configuration`, null for none).
void AddReference(VaultSql& sql, int32_t parent, int32_t child, const char16_t* configuration, bool isStatic,
                  DemoCounts& counts) {
    sql.Run("INSERT INTO file_references (parent_id, child_id, child_config_name, is_static) VALUES (?, ?, ?, ?)",
            {int64_t(parent), int64_t(child), configuration ? SqlValue(std::u16string(configuration)) : Null(),
             int64_t(isStatic)});
    ++counts.fileReferences;
}

// The gearbox (see kDemoGearboxAssembly): files no item links, with their
// references and configurations; `conveyorPart` is a part an item links.
void AddGearbox(VaultSql& sql, int32_t conveyorPart, int32_t admin, int32_t designer, DemoCounts& counts) {
    const int32_t folder = EnsureVaultFolder(sql, kDemoGearboxFolder, admin);
    auto file = [&](const char16_t* name) {
        return AddDemoFile(sql, folder, name, 1, designer, counts, counts.referenceFiles);
    };
    const int32_t gearbox = file(kDemoGearboxAssembly);
    const int32_t housing = file(u"GB-1100 Housing.zvkprt");
    const int32_t shaft = file(u"GB-1200 Shaft.zvkprt");
    const int32_t bearingUnit = file(kDemoGearboxSubAssembly);
    const int32_t bearing = file(u"GB-1310 Ball Bearing.zvkprt");
    const int32_t seal = file(u"GB-1320 Seal Ring.zvkprt");
    const int32_t drawing = file(u"GB-1000 Gearbox.dwg");
    AddConfigurations(sql, gearbox, {u"Standard", u"Heavy Duty"}, counts);
    AddConfigurations(sql, shaft, {u"Short", u"Long"}, counts);

    AddReference(sql, gearbox, housing, nullptr, false, counts);
    AddReference(sql, gearbox, shaft, u"Long", false, counts);
    AddReference(sql, gearbox, bearingUnit, nullptr, false, counts);
    AddReference(sql, gearbox, conveyorPart, nullptr, false, counts);
    AddReference(sql, gearbox, drawing, nullptr, true, counts);
    AddReference(sql, bearingUnit, bearing, nullptr, false, counts);
    AddReference(sql, bearingUnit, bearing, nullptr, false, counts);
    AddReference(sql, bearingUnit, seal, nullptr, false, counts);
    AddReference(sql, bearingUnit, shaft, u"Short", false, counts);
}

}  // namespace

std::u16string DemoItemName(int number) { return Numbered(u"ITM-", number, u".<item>"); }
std::u16string DemoPartName(int number) {
    return number % kDemoAssemblyEvery == 0 ? Numbered(u"A-", number, u".zvkasm") : Numbered(u"P-", number, u".zvkprt");
}
std::u16string DemoDrawingName(int number) { return Numbered(u"D-", number, u".dwg"); }

DemoCounts SeedDemoVault(vaultdb::Database& database) {
    vaultdb::Transaction transaction(database);
    if (HRESULT hr = transaction.Begin(); FAILED(hr))
        throw AdminError("cannot begin a transaction: " + HresultText(hr));
    VaultSql sql(database);
    const std::u16string items = kItemsFolderPath;
    if (sql.QueryInt("SELECT id FROM folders WHERE path_key = ?", {vaultdb::FoldKey(items + kItemFolders[0])}))
        throw AdminError("the vault holds the demo content already");

    DemoCounts counts;
    const int32_t admin = *sql.QueryInt("SELECT id FROM users WHERE name_key = ?", {vaultdb::FoldKey(kAdminUserName)});
    const int32_t designer = InsertUser(sql, u"Designer", u"designer", {kCheckInRight});
    InsertUser(sql, u"Reviewer", u"reviewer", {});
    const Workflow workflow = AddReleaseWorkflow(sql);
    counts.workflowStates = kStateCount;
    counts.workflowTransitions = workflow.transitions;
    const int32_t description = AddVariable(sql, u"Description");
    const int32_t material = AddVariable(sql, u"Material");

    int32_t itemFolderIds[kDemoItemFolders];
    for (int folder = 0; folder < kDemoItemFolders; ++folder) {
        itemFolderIds[folder] = EnsureVaultFolder(sql, items + kItemFolders[folder], admin);
        ++counts.itemFolders;
    }
    const int32_t partsFolder = EnsureVaultFolder(sql, u"\\Projects\\Conveyor\\Parts\\", admin);
    const int32_t drawingsFolder = EnsureVaultFolder(sql, u"\\Projects\\Conveyor\\Drawings\\", admin);
    const int32_t assembliesFolder = EnsureVaultFolder(sql, u"\\Projects\\Conveyor\\Assemblies\\", admin);

    // The view the check-outs belong to, and its root for the locked paths.
    std::u16string viewGuid, viewRoot;
    {
        std::unique_ptr<vaultdb::Statement> view;
        if (SUCCEEDED(database.Prepare("SELECT view_guid, root_path FROM views ORDER BY id", view)) &&
            view->Step() == S_OK) {
            viewGuid = view->ColumnText(0);
            viewRoot = view->ColumnText(1);
        }
    }
    if (viewGuid.empty()) throw AdminError("the vault has no view to check items out to");

    std::mt19937 random(20261210);  // fixed: the demo is the same every time
    std::vector<int32_t> itemIds, itemVersions;
    int32_t firstPart = 0;
    for (int index = 0; index < kDemoItems; ++index) {
        const int number = index + 1;
        const bool isAssembly = number % kDemoAssemblyEvery == 0;
        // Assemblies in "Assemblies\", the others spread over the other folders.
        const int folder = isAssembly ? kDemoItemFolders - 1 : index % (kDemoItemFolders - 1);
        const std::u16string noun = kNouns[random() % std::size(kNouns)];

        const int32_t part = AddDemoFile(sql, isAssembly ? assembliesFolder : partsFolder, DemoPartName(number),
                                         1 + int(random() % 3), designer, counts, counts.files);
        if (index == 0) firstPart = part;
        const int32_t partVersion = *sql.QueryInt("SELECT latest_version FROM documents WHERE id = ?", {int64_t(part)});

        const DemoState state = DemoState(random() % kStateCount);
        const std::u16string itemNumber = Numbered(u"ITM-", number, u"");
        const std::u16string fileName = DemoItemName(number);
        const int32_t itemVersionCount = 1 + int(random() % 2);
        const std::u16string revision = state == kApproved || state == kObsolete ? u"B" : u"A";
        const int32_t item = sql.Insert(
            "INSERT INTO documents (folder_id, name, name_key, doc_type, alternate_name, state_id, latest_version, "
            "created_by, created_utc) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id",
            {int64_t(itemFolderIds[folder]), fileName, vaultdb::FoldKey(fileName), int64_t(vaultdb::kObjectItem),
             noun + u" " + Numbered(u"", number, u""), int64_t(workflow.states[state]), int64_t(itemVersionCount),
             int64_t(designer), NowUtcDate()});
        const int32_t counter =
            sql.Insert("INSERT INTO counters (name, state, spent_by_item) VALUES (?, ?, ?) RETURNING id",
                       {itemNumber, int64_t(vaultdb::kCounterSpent), int64_t(item)});
        sql.Run("INSERT INTO items (document_id, item_number, item_name, revision, counter_id) VALUES (?, ?, ?, ?, ?)",
                {int64_t(item), itemNumber, noun, revision, int64_t(counter)});
        for (int32_t version = 1; version <= itemVersionCount; ++version) {
            sql.Run(
                "INSERT INTO document_versions (document_id, version, modified_utc, comment, user_id, state_id, "
                "revision) VALUES (?, ?, ?, ?, ?, ?, ?)",
                {int64_t(item), int64_t(version), NowUtcDate(), std::u16string(u"Item version"), int64_t(designer),
                 int64_t(workflow.states[state]), revision});
            sql.Run(
                "INSERT INTO variable_values (document_id, version, variable_id, text_value) VALUES (?, ?, ?, ?), "
                "(?, ?, ?, ?)",
                {int64_t(item), int64_t(version), int64_t(description), noun + u" for the conveyor", int64_t(item),
                 int64_t(version), int64_t(material), std::u16string(kMaterials[random() % std::size(kMaterials)])});
        }
        sql.Run(
            "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc, comment) "
            "VALUES (?, ?, ?, 1, ?, ?, '')",
            {int64_t(vaultdb::kHistoryAdd), int64_t(vaultdb::kObjectItem), int64_t(item), int64_t(designer),
             NowUtcDate()});
        ++counts.items;

        AddLink(sql, item, vaultdb::kObjectFile, part, vaultdb::kLinkDynamic, partVersion, counts);
        if (number % kDemoDrawingEvery == 0) {
            const int32_t drawing =
                AddDemoFile(sql, drawingsFolder, DemoDrawingName(number), 1, designer, counts, counts.files);
            AddLink(sql, item, vaultdb::kObjectFile, drawing, vaultdb::kLinkStatic, 1, counts);
        }
        if (isAssembly) {
            // The BOM of the assembly file lists the parts of the items before it.
            const int32_t bom = sql.Insert(
                "INSERT INTO boms (document_id, folder_id, name, latest_version) VALUES (?, ?, ?, 1) RETURNING id",
                {int64_t(part), int64_t(itemFolderIds[folder]), Numbered(u"A-", number, u" BOM")});
            ++counts.boms;
            AddLink(sql, item, vaultdb::kObjectBom, bom, vaultdb::kLinkBom, 1, counts);
            for (int child = 1; child <= kDemoAssemblyChildren; ++child) {
                const std::size_t childIndex = itemIds.size() - std::size_t(child);  // earlier, so never a cycle
                sql.Run(
                    "INSERT INTO bom_rows (bom_id, position, child_document_id, quantity, item_number) "
                    "VALUES (?, ?, ?, ?, ?)",
                    {int64_t(bom), int64_t(child), int64_t(itemIds[childIndex]), double(1 + random() % 8),
                     Numbered(u"ITM-", int(childIndex) + 1, u"")});
                AddLink(sql, item, vaultdb::kObjectItem, itemIds[childIndex], vaultdb::kLinkBom,
                        itemVersions[childIndex], counts);
            }
        }
        if (number % kDemoCheckedOutEvery == 0) {
            sql.Run(
                "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path, locked_utc) "
                "VALUES (?, ?, ?, ?, ?, ?)",
                {int64_t(item), int64_t(designer), viewGuid, std::u16string(u"DEMO-WORKSTATION"),
                 viewRoot + u"<items>\\" + kItemFolders[folder] + fileName, NowUtcDate()});
            ++counts.checkedOut;
        }
        itemIds.push_back(item);
        itemVersions.push_back(itemVersionCount);
    }
    AddGearbox(sql, firstPart, admin, designer, counts);

    if (HRESULT hr = transaction.Commit(); FAILED(hr))
        throw AdminError("cannot commit the demo content: " + HresultText(hr));
    return counts;
}

}  // namespace vaultadmin
