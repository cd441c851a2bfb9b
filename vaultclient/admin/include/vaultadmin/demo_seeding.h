// The demo vault's contents: item folders, a few hundred items with their
// part files in several versions, drawings linked statically, assemblies
// with BOMs, a release workflow, users, and some items checked out; and a
// gearbox assembly file whose references (parts, a sub-assembly, a drawing,
// configurations) no item covers yet, for item generation. The same every
// time (a fixed random seed), so tests can count it.
#pragma once

#include <cstdint>
#include <string>

namespace vaultdb {
class Database;
}

namespace vaultadmin {

// What the demo content holds, by construction.
inline constexpr int kDemoItemFolders = 10;  // below "\<items>\" (not counting it)
inline constexpr int kDemoItems = 300;
inline constexpr int kDemoDrawingEvery = 3;      // every third item has a drawing
inline constexpr int kDemoAssemblyEvery = 10;    // every tenth item is an assembly
inline constexpr int kDemoAssemblyChildren = 4;  // items in each assembly's BOM
inline constexpr int kDemoCheckedOutEvery = 25;  // every 25th item is checked out

// The gearbox in "\Projects\Gearbox\": the assembly "GB-1000 Gearbox.zvkasm"
// (configurations "Standard" and "Heavy Duty") references the housing, the
// shaft in its configuration "Long", the sub-assembly "GB-1300 Bearing
// Unit.zvkasm", the conveyor's part "P-00001.zvkprt" (which item 1 links
// already) and, statically, its drawing. The bearing unit references the
// ball bearing twice, the seal ring, and the shaft in its configuration
// "Short". No item links a file of the gearbox.
inline constexpr char16_t kDemoGearboxFolder[] = u"\\Projects\\Gearbox\\";
inline constexpr char16_t kDemoGearboxAssembly[] = u"GB-1000 Gearbox.zvkasm";
inline constexpr char16_t kDemoGearboxSubAssembly[] = u"GB-1300 Bearing Unit.zvkasm";
inline constexpr int kDemoGearboxFiles = 7;
inline constexpr int kDemoGearboxReferences = 9;
inline constexpr int kDemoGearboxConfigurations = 4;

// The names the demo content gives item `number` (1 to kDemoItems): the item
// "ITM-00007.<item>", the file it links dynamically ("P-00007.zvkprt", an
// assembly's "A-00010.zvkasm") and the drawing it links statically
// ("D-00003.dwg", every kDemoDrawingEvery-th item).
std::u16string DemoItemName(int number);
std::u16string DemoPartName(int number);
std::u16string DemoDrawingName(int number);

struct DemoCounts {
    int itemFolders = 0;
    int items = 0;
    int files = 0;           // the files items link
    int referenceFiles = 0;  // the gearbox's files, which no item links
    int fileVersions = 0;    // of both kinds of files
    int dynamicLinks = 0;
    int staticLinks = 0;
    int bomLinks = 0;  // item -> BOM and item -> child item
    int boms = 0;
    int checkedOut = 0;
    int workflowStates = 0;
    int workflowTransitions = 0;
    int fileReferences = 0;
    int configurations = 0;
};

// Seeds the vault in one transaction. Throws AdminError when the vault holds
// the demo content already or any write fails (then nothing is written).
DemoCounts SeedDemoVault(vaultdb::Database& database);

}  // namespace vaultadmin
