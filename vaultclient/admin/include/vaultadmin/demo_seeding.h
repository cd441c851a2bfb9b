// The demo vault's contents: item folders, a few hundred items with their
// part files in several versions, drawings linked statically, assemblies
// with BOMs, a release workflow, users, and some items checked out. The
// same every time (a fixed random seed), so tests can count it.
#pragma once

#include <cstdint>

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

struct DemoCounts {
    int itemFolders = 0;
    int items = 0;
    int files = 0;
    int fileVersions = 0;
    int dynamicLinks = 0;
    int staticLinks = 0;
    int bomLinks = 0;  // item -> BOM and item -> child item
    int boms = 0;
    int checkedOut = 0;
    int workflowStates = 0;
    int workflowTransitions = 0;
};

// Seeds the vault in one transaction. Throws AdminError when the vault holds
// the demo content already or any write fails (then nothing is written).
DemoCounts SeedDemoVault(vaultdb::Database& database);

}  // namespace vaultadmin
