// Generating items and adding files to an item end to end, as the explorer
// runs them on the demo vault: the servers registered on a fresh machine
// (the item server, the item generation server, the cross-reference tree
// and the file-reference dialog among them), ItmManager created by class id
// and logged in with the vault object, the files of the demo's gearbox in
// the view folder, and the dialog answered by the prompter.

#include "server_session_fixture.h"

#include "item_objects_support.h"

#include "bellquist/enums.h"
#include "bellquist/item_interfaces.h"
#include "castavy/dialog_script.h"
#include "castavy/ids.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "com_testing/register_server.h"
#include "testsupport/child_process.h"
#include "ui_testing/scripted_prompter.h"
#include "vaultadmin/demo_seeding.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace BellquistLib;

namespace {

// An object of a result array, as the tests compare them.
struct Seen {
    ItmObjectType type{};
    LONG id = 0;
    LONG parentId = 0;
    std::u16string name;
    GUID lockView{};
    CComPtr<IItmObject> object;
};

std::vector<Seen> TakeSeen(SAFEARRAY* array) {
    std::vector<Seen> seen;
    for (const CComPtr<IItmObject>& object : conversion_test::TakeObjects(array)) {
        Seen s;
        s.object = object;
        object->get_Type(&s.type);
        object->get_ID(&s.id);
        object->get_ParentID(&s.parentId);
        BSTR name = nullptr;
        object->get_Name(&name);
        s.name = com_testing::TakeText(name);
        object->get_LockViewID(&s.lockView);
        seen.push_back(s);
    }
    return seen;
}

const Seen* Named(const std::vector<Seen>& objects, const std::u16string& name) {
    for (const Seen& object : objects)
        if (object.name == name) return &object;
    return nullptr;
}

std::string Text(const std::u16string& text) { return winapi::ToUtf8(text); }

class ItemGenerationSessionTest : public DemoSessionTest {
protected:
    void SetUp() override {
        DemoSessionTest::SetUp();
        if (HasFatalFailure()) return;
        for (const char16_t* server : {u"Castavy.dll", u"Hastrel.dll", u"Coravent.dll"})
            ASSERT_EQ(com_testing::RegisterServerLibrary(server), S_OK);
        LogInWithVaultObject();
        // The gearbox's files as a get leaves them in the view folder.
        for (const char16_t* name : {vaultadmin::kDemoGearboxAssembly, vaultadmin::kDemoGearboxSubAssembly,
                                     u"GB-1100 Housing.zvkprt", u"GB-1200 Shaft.zvkprt"}) {
            const std::filesystem::path file = GearboxFile(name);
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file) << "gearbox file\n";
        }
    }

    // The local file of a gearbox document in the view folder.
    std::filesystem::path GearboxFile(const std::u16string& name) const {
        std::u16string relative = std::u16string(vaultadmin::kDemoGearboxFolder).substr(1) + name;
        for (char16_t& c : relative)
            if (c == u'\\') c = u'/';
        return view_ / winapi::ToUtf8(relative);
    }
    // The local paths of gearbox documents, as the explorer hands them over.
    SAFEARRAY* GearboxPaths(const std::vector<std::u16string>& names) const {
        SAFEARRAY* paths = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(names.size()));
        for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
            VARIANT element;
            VariantInit(&element);
            element.vt = VT_BSTR;
            element.bstrVal = SysAllocString(winapi::FromPosixPath(GearboxFile(names[i]).string()).c_str());
            SafeArrayPutElement(paths, &i, &element);
            VariantClear(&element);
        }
        return paths;
    }

    // Generates items from the gearbox assembly into the root item folder
    // (the dialog's proposals accepted), keeping the proposed names of the
    // rows that make new items.
    std::vector<Seen> GenerateFromTheAssembly() {
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(castavy::kDialogName, [&](ui::PromptedDialog& dialog) {
            for (const castavy::ShownRow& row : castavy::ShownRows(dialog)) {
                auto create = row.checks.find(CASTAVYLib::CastavyCol_CreateItem);
                if (row.chosen && create != row.checks.end() && create->second.checked)
                    proposed_[row.texts.at(CASTAVYLib::CastavyCol_Name)] =
                        row.texts.at(CASTAVYLib::CastavyCol_ItemNumber) + u".<item>";
            }
            EXPECT_TRUE(dialog.PressButton(IDOK));
        });
        SAFEARRAY* paths = GearboxPaths({vaultadmin::kDemoGearboxAssembly});
        CComPtr<IItmObject> root = RootFolder();
        SAFEARRAY* items = nullptr;
        EXPECT_EQ(manager_->GenerateItemFromFilePath(paths, root, &items), S_OK);
        SafeArrayDestroy(paths);
        return TakeSeen(items);
    }

    // The line the cache reader prints for an item.
    static std::string CacheLine(const std::u16string& name, LONG id, LONG folder, std::vector<LONG> children) {
        std::sort(children.begin(), children.end());
        std::string line = Text(name) + " " + std::to_string(id) + " " + std::to_string(folder) + " ";
        for (size_t i = 0; i < children.size(); ++i) line += (i ? "," : "") + std::to_string(children[i]);
        return line;
    }
    // Another process of this user reads the items' records from the cache.
    void ExpectCached(const std::vector<std::string>& names, const std::vector<std::string>& lines) {
        std::vector<std::string> args{Text(winapi::GuidToString(created_.vaultId))};
        args.insert(args.end(), names.begin(), names.end());
        testsupport::ChildProcess reader(testsupport::SiblingProgram("item_cache_reader_child"), args);
        for (const std::string& line : lines) EXPECT_TRUE(reader.WaitForLine(line)) << line;
        EXPECT_TRUE(reader.WaitForLine("end"));
        EXPECT_EQ(reader.Wait(), 0);
    }

    // Document name -> the item name the dialog proposed for it.
    std::map<std::u16string, std::u16string> proposed_;
};

// The assembly's tree becomes items in the folder given: one per row the
// dialog made an item of, named from the vault's counters and checked out
// to the user in this view; each links its document (the assembly's item
// also the drawing it references statically). The items are written into
// the item cache, where another process reads them, and come back as
// objects with their files.
TEST_F(ItemGenerationSessionTest, GeneratingFromTheAssemblyFileCreatesCachesAndReturnsItsItems) {
    const std::vector<Seen> results = GenerateFromTheAssembly();
    ASSERT_FALSE(proposed_.empty());
    ASSERT_TRUE(proposed_.contains(vaultadmin::kDemoGearboxAssembly));

    std::set<std::u16string> itemNames;
    for (const Seen& seen : results) {
        if (seen.type != ItmObjectType_Item) continue;
        itemNames.insert(seen.name);
        SCOPED_TRACE(Text(seen.name));
        EXPECT_EQ(seen.parentId, rootFolderId_);
        EXPECT_EQ(seen.lockView, created_.viewId);
        const std::string id = std::to_string(seen.id);
        EXPECT_EQ(VaultNumber("SELECT id FROM documents WHERE doc_type = 4 AND deleted = 0 AND name = ?", &seen.name),
                  seen.id);
        EXPECT_EQ(FolderOf(seen.id), rootFolderId_);
        EXPECT_EQ(VaultNumber("SELECT user_id FROM locks WHERE document_id = " + id), userId_);
        // Its number is a counter the generation spent on it.
        const std::u16string number = seen.name.substr(0, seen.name.size() - std::u16string(u".<item>").size());
        EXPECT_EQ(VaultText("SELECT item_number FROM items WHERE document_id = " + id), number);
        EXPECT_EQ(VaultNumber("SELECT spent_by_item FROM counters WHERE state = 2 AND name = ?", &number), seen.id);
    }
    std::set<std::u16string> expectedNames;
    for (const auto& [document, item] : proposed_) expectedNames.insert(item);
    EXPECT_EQ(itemNames, expectedNames);
    // No counter stays reserved: the proposals not used went back.
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM counters WHERE state = 1"), 0);

    // The assembly's item links the assembly and its drawing, and comes
    // back with both.
    const Seen* gearbox = Named(results, proposed_[vaultadmin::kDemoGearboxAssembly]);
    ASSERT_NE(gearbox, nullptr);
    const LONG assembly = DocumentId(vaultadmin::kDemoGearboxAssembly);
    const LONG drawing = DocumentId(u"GB-1000 Gearbox.dwg");
    const std::string gearboxId = std::to_string(gearbox->id);
    EXPECT_EQ(VaultColumn("SELECT child_id || ':' || link_type FROM links WHERE parent_id = " + gearboxId +
                          " ORDER BY child_id"),
              (std::vector<std::u16string>{winapi::ToUtf16(std::to_string(assembly) + ":1"),
                                           winapi::ToUtf16(std::to_string(drawing) + ":2")}));
    std::set<LONG> gearboxFiles;
    for (const Seen& seen : results)
        if (seen.type == ItmObjectType_File && seen.parentId == gearbox->id) gearboxFiles.insert(seen.id);
    EXPECT_EQ(gearboxFiles, (std::set<LONG>{assembly, drawing}));

    const Seen* housing = Named(results, proposed_[u"GB-1100 Housing.zvkprt"]);
    ASSERT_NE(housing, nullptr);
    ExpectCached({Text(gearbox->name), Text(housing->name), "ITM-999999.<item>"},
                 {CacheLine(gearbox->name, gearbox->id, rootFolderId_, {assembly, drawing}),
                  CacheLine(housing->name, housing->id, rootFolderId_, {DocumentId(u"GB-1100 Housing.zvkprt")}),
                  "ITM-999999.<item> missing"});
}

// A cancelled dialog generates nothing and spends no counter.
TEST_F(ItemGenerationSessionTest, ACancelledDialogGeneratesNothing) {
    const LONG items = VaultNumber("SELECT COUNT(*) FROM documents WHERE doc_type = 4");
    const LONG spent = VaultNumber("SELECT COUNT(*) FROM counters WHERE state = 2");
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName,
                         [](ui::PromptedDialog& dialog) { EXPECT_TRUE(dialog.PressButton(IDCANCEL)); });
    SAFEARRAY* paths = GearboxPaths({vaultadmin::kDemoGearboxAssembly});
    CComPtr<IItmObject> root = RootFolder();
    SAFEARRAY* generated = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(manager_->GenerateItemFromFilePath(paths, root, &generated), S_OK);
    EXPECT_EQ(generated, nullptr);
    SafeArrayDestroy(paths);
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM documents WHERE doc_type = 4"), items);
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM counters WHERE state = 2"), spent);
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM counters WHERE state = 1"), 0);
}

// A file chosen in the dialog is linked to the item as a new link: it comes
// back as an object under the item, and the item's children in the cache
// (read by another process) hold it.
TEST_F(ItemGenerationSessionTest, AddingAFileLinksItToTheItem) {
    const std::vector<Seen> results = GenerateFromTheAssembly();
    const Seen* housing = Named(results, proposed_[u"GB-1100 Housing.zvkprt"]);
    ASSERT_NE(housing, nullptr);
    const LONG shaft = DocumentId(u"GB-1200 Shaft.zvkprt");

    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [&](ui::PromptedDialog& dialog) {
        // The file offered is ticked to be added.
        const int row = castavy::FindRow(dialog, u"GB-1200 Shaft.zvkprt");
        ASSERT_GE(row, 0);
        const castavy::ShownRow shown = castavy::ShownRows(dialog)[row];
        EXPECT_TRUE(shown.chosen);
        EXPECT_TRUE(shown.checks.at(CASTAVYLib::CastavyCol_AddFile).checked);
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    SAFEARRAY* paths = GearboxPaths({u"GB-1200 Shaft.zvkprt"});
    IItmObject* parent = housing->object;
    SAFEARRAY* linked = nullptr;
    EXPECT_EQ(manager_->LinkFileFromFilePath(paths, &parent, &linked), S_OK);
    SafeArrayDestroy(paths);
    EXPECT_EQ(parent, housing->object.GetInterfacePtr());

    const std::vector<Seen> files = TakeSeen(linked);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].type, ItmObjectType_File);
    EXPECT_EQ(files[0].id, shaft);
    EXPECT_EQ(files[0].parentId, housing->id);
    CComPtr<IItmLinkManager> links;
    ASSERT_EQ(housing->object->get_LinkManager(&links), S_OK);
    ItmLinkOperation operation = LinkOp_Undefined;
    EXPECT_EQ(links->GetLinkOperation(files[0].object, &operation), S_OK);
    EXPECT_EQ(operation, LinkOp_New);
    EXPECT_EQ(VaultNumber("SELECT user_id FROM locks WHERE document_id = " + std::to_string(housing->id)), userId_);

    ExpectCached({Text(housing->name)}, {CacheLine(housing->name, housing->id, rootFolderId_,
                                                   {DocumentId(u"GB-1100 Housing.zvkprt"), shaft})});
}

}  // namespace
