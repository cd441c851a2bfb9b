#include "common/login_table_codec.h"

#include "login_table_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using tabletest::MakeEntry;
using tabletest::ReadTable;
using tabletest::TableBuffer;
using tabletest::TableContents;
using tabletest::VaultNames;

using Names = std::vector<std::u16string>;

// Strings of different lengths, empty ones, a character above U+00FF, and
// integers whose four bytes all differ.
LoginTableEntry GoldenEntry() {
    LoginTableEntry entry;
    entry.moDbServer = u"Db";
    entry.moVaultName = u"V\u20AC";
    entry.moPassword = u"p";
    entry.moShellRoot = u"R\\";
    entry.mlLoginValue = 0x11223344;
    entry.mlUserID = -2;
    entry.mlVerification = 0x01000080;
    entry.mlProgramType = 2;
    return entry;
}

const std::vector<BYTE> kGoldenBytes = {
    'D',  0,    'b',  0,    0, 0,  //  0 s0 database server
    'V',  0,    0xAC, 0x20, 0, 0,  //  6 s1 vault name
    0,    0,                       // 12 s2 user name (empty)
    'p',  0,    0,    0,           // 14 s3 password
    0,    0,                       // 18 s4 database user (empty)
    0,    0,                       // 20 s5 database password (empty)
    'R',  0,    '\\', 0,    0, 0,  // 22 s6 vault root folder
    0x44, 0x33, 0x22, 0x11,        // 28 i0 login value
    0xFE, 0xFF, 0xFF, 0xFF,        // 32 i1 user id
    0,    0,    0,    0,           // 36 i2 reserved
    0x80, 0,    0,    0x01,        // 40 i3 verification value
    2,    0,    0,    0,           // 44 i4 program type
    0,    0,    0,    0,           // 48 flag
};

void ExpectSameEntry(const LoginTableEntry& actual, const LoginTableEntry& expected) {
    EXPECT_EQ(actual.moDbServer, expected.moDbServer);
    EXPECT_EQ(actual.moVaultName, expected.moVaultName);
    EXPECT_EQ(actual.moUserName, expected.moUserName);
    EXPECT_EQ(actual.moPassword, expected.moPassword);
    EXPECT_EQ(actual.moDbUser, expected.moDbUser);
    EXPECT_EQ(actual.moDbPassword, expected.moDbPassword);
    EXPECT_EQ(actual.moShellRoot, expected.moShellRoot);
    EXPECT_EQ(actual.mlLoginValue, expected.mlLoginValue);
    EXPECT_EQ(actual.mlUserID, expected.mlUserID);
    EXPECT_EQ(actual.mlReserved, expected.mlReserved);
    EXPECT_EQ(actual.mlVerification, expected.mlVerification);
    EXPECT_EQ(actual.mlProgramType, expected.mlProgramType);
    EXPECT_EQ(actual.mbFlag, expected.mbFlag);
}

// A table holding `vaults` in order.
TableBuffer TableOf(const Names& vaults, size_t size = kLoginTableBytes) {
    TableBuffer table(size);
    LoginTableView view = table.View();
    for (const std::u16string& vault : vaults) EXPECT_TRUE(LoginTable::mbAppend(view, MakeEntry(vault)));
    return table;
}

// The bytes a table of `vaults` begins with: its entries and terminator.
std::vector<BYTE> TableBytes(const Names& vaults) {
    TableBuffer table = TableOf(vaults);
    size_t end = ReadTable(table.View()).end;
    return std::vector<BYTE>(table.bytes.begin(), table.bytes.begin() + static_cast<ptrdiff_t>(end + 2));
}

std::vector<BYTE> Prefix(const TableBuffer& table, size_t bytes) {
    return std::vector<BYTE>(table.bytes.begin(), table.bytes.begin() + static_cast<ptrdiff_t>(bytes));
}

TEST(LoginTableEntryTest, WritesTheGoldenBytes) {
    const LoginTableEntry entry = GoldenEntry();
    std::vector<BYTE> written(kGoldenBytes.size());
    EXPECT_EQ(entry.mlEncodedSize(), kGoldenBytes.size());
    EXPECT_EQ(entry.mlWrite(written.data(), written.size()), kGoldenBytes.size());
    EXPECT_EQ(written, kGoldenBytes);
}

TEST(LoginTableEntryTest, ReadsTheGoldenBytesBackAndAnyNonZeroFlagAsTrue) {
    TableBuffer table(kGoldenBytes.size() + 2);
    std::copy(kGoldenBytes.begin(), kGoldenBytes.end(), table.bytes.begin());
    LoginTableEntry entry;
    ASSERT_TRUE(ParseLoginTableEntry(table.View(), entry));
    ExpectSameEntry(entry, GoldenEntry());
    EXPECT_EQ(LoginTableEntry::mlEntrySize(table.View()), kGoldenBytes.size());

    table.bytes[50] = 0x01;  // the flag's third byte
    ASSERT_TRUE(ParseLoginTableEntry(table.View(), entry));
    EXPECT_TRUE(entry.mbFlag);
}

TEST(LoginTableEntryTest, SevenOneCharacterStringsTake52Bytes) {
    LoginTableEntry entry;
    entry.moDbServer = entry.moVaultName = entry.moUserName = entry.moPassword = u"x";
    entry.moDbUser = entry.moDbPassword = entry.moShellRoot = u"x";
    EXPECT_EQ(entry.mlEncodedSize(), 52u);
    std::vector<BYTE> room(52);
    EXPECT_EQ(entry.mlWrite(room.data(), room.size()), 52u);
    EXPECT_EQ(entry.mlWrite(room.data(), 51), 0u) << "an entry is written whole or not at all";
}

TEST(LoginTableTest, AddingToAnEmptyTableWritesTheEntryAtZeroAndATerminator) {
    TableBuffer table(kLoginTableBytes, 0xEE);  // not zero beyond the table's two bytes
    table.bytes[0] = table.bytes[1] = 0;
    LoginTableView view = table.View();
    LoginTableEntry entry = GoldenEntry();
    ASSERT_TRUE(LoginTable::mbAppend(view, entry));
    std::vector<BYTE> expected = kGoldenBytes;
    expected.push_back(0);
    expected.push_back(0);
    EXPECT_EQ(Prefix(table, expected.size()), expected);
    EXPECT_EQ(table.bytes[expected.size()], 0xEE) << "nothing written past the terminator";
    EXPECT_EQ(view.cursor, 0u);
}

TEST(LoginTableTest, FindsAVaultWhateverItsLetterCase) {
    TableBuffer table = TableOf({u"Alpha", u"Vault\u00C4", u"Beta"});
    LoginTableView view = table.View();
    ASSERT_TRUE(FindLoginTableEntry(view, u"VAULT\u00E4"));
    EXPECT_EQ(view.cursor, MakeEntry(u"Alpha").mlEncodedSize());
    LoginTableEntry entry;
    ASSERT_TRUE(ParseLoginTableEntry(view, entry));
    EXPECT_EQ(entry.moVaultName, u"Vault\u00C4");

    EXPECT_FALSE(FindLoginTableEntry(view, u"Gamma"));
    EXPECT_EQ(view.cursor, ReadTable(table.View()).end) << "not found: the cursor on the terminator";
    EXPECT_EQ(LoginTable::mlTableSize(view), 0u);
}

TEST(LoginTableTest, StepsOverEntriesWithEmptyStrings) {
    TableBuffer table;
    LoginTableView view = table.View();
    LoginTableEntry sparse = MakeEntry(u"Sparse");
    sparse.moPassword.clear();
    sparse.moDbUser.clear();
    sparse.moDbPassword.clear();
    ASSERT_TRUE(LoginTable::mbAppend(view, sparse));
    ASSERT_TRUE(LoginTable::mbAppend(view, MakeEntry(u"Next")));
    EXPECT_TRUE(FindLoginTableEntry(view, u"next"));
    EXPECT_EQ(view.cursor, sparse.mlEncodedSize());
}

TEST(LoginTableTest, AnEmptyTableHasNoEntries) {
    TableBuffer table;
    LoginTableView view = table.View();
    LoginTableEntry entry;
    EXPECT_FALSE(FindLoginTableEntry(view, u""));
    EXPECT_FALSE(ParseLoginTableEntry(view, entry));
    EXPECT_EQ(LoginTableEntry::mlEntrySize(view), 0u);
    EXPECT_EQ(LoginTable::mlTableSize(view), 0u);
    EXPECT_FALSE(LoginTable::mbRemoveAtCursor(view));

    LoginTableView none;
    EXPECT_FALSE(FindLoginTableEntry(none, u"Vault"));
    EXPECT_FALSE(ParseLoginTableEntry(none, entry));
    EXPECT_EQ(LoginTableEntry::mlEntrySize(none), 0u);
    EXPECT_FALSE(LoginTable::mbAppend(none, MakeEntry(u"Vault")));
}

TEST(LoginTableTest, RemovingTheLastEntryWritesTheTerminatorAtItsPlace) {
    TableBuffer table = TableOf({u"A", u"B", u"C"});
    LoginTableView view = table.View();
    ASSERT_TRUE(FindLoginTableEntry(view, u"c"));
    const size_t at = view.cursor;
    EXPECT_EQ(LoginTable::mlTableSize(view), MakeEntry(u"C").mlEncodedSize() + 2);
    ASSERT_TRUE(LoginTable::mbRemoveAtCursor(view));
    std::vector<BYTE> expected = TableBytes({u"A", u"B"});
    EXPECT_EQ(Prefix(table, expected.size()), expected);
    EXPECT_EQ(ReadTable(table.View()).end, at);
}

TEST(LoginTableTest, RemovingAnEarlierEntryMovesTheRestDownWithTheTerminator) {
    TableBuffer table = TableOf({u"A", u"B", u"C"});
    LoginTableView view = table.View();
    ASSERT_TRUE(FindLoginTableEntry(view, u"A"));
    ASSERT_TRUE(LoginTable::mbRemoveAtCursor(view));
    std::vector<BYTE> expected = TableBytes({u"B", u"C"});
    EXPECT_EQ(Prefix(table, expected.size()), expected);
    EXPECT_EQ(VaultNames(ReadTable(table.View())), (Names{u"B", u"C"}));
}

// A first entry of `bytes` bytes: an entry whose database server fills it.
LoginTableEntry FillerOfSize(size_t bytes) {
    LoginTableEntry filler;
    filler.moVaultName = u"filler";
    const size_t fixed = 2 * (6 + 7) + kLoginEntryFixedBytes;  // "filler" and seven terminators
    filler.moDbServer.assign((bytes - fixed) / 2, u'x');
    EXPECT_EQ(filler.mlEncodedSize(), bytes);
    return filler;
}

LoginTableEntry MinimalEntry(const std::u16string& vault) {
    LoginTableEntry entry;
    entry.moDbServer = entry.moUserName = entry.moPassword = u"x";
    entry.moDbUser = entry.moDbPassword = entry.moShellRoot = u"x";
    entry.moVaultName = vault;
    return entry;
}

struct FitCase {
    const char* name;
    size_t tableEnd;          // where the table ends before the add
    bool oldEntryOfTheVault;  // the last entry before the add is the vault's own
    size_t newEntryExtra;     // bytes the new entry has beyond 52
    bool written;
};

// The 4096 bytes hold the entries and their terminator: an entry may end at
// 4094 at most. An entry that replaces one of its vault may use that room.
const FitCase kFitCases[] = {
    {"ending at 4094 is written", 4094 - 52, false, 0, true},
    {"ending at 4096 is not written", 4096 - 52, false, 0, false},
    {"ending at 4098 is not written", 4096 - 52, false, 2, false},
    {"replacing: fits in the room of the old entry", 4094, true, 0, true},
    {"replacing: too large keeps the old entry", 4094, true, 2, false},
};

void PrintTo(const FitCase& c, std::ostream* out) { *out << c.name; }

class LoginTableFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(LoginTableFitTest, WritesAnEntryOnlyWhenItAndTheTerminatorFit) {
    const FitCase& c = GetParam();
    TableBuffer table;
    LoginTableView view = table.View();
    const size_t fillerBytes = c.oldEntryOfTheVault ? c.tableEnd - 52 : c.tableEnd;
    ASSERT_TRUE(LoginTable::mbAppend(view, FillerOfSize(fillerBytes)));
    if (c.oldEntryOfTheVault) {
        ASSERT_TRUE(LoginTable::mbAppend(view, MinimalEntry(u"v")));
    }
    ASSERT_EQ(ReadTable(table.View()).end, c.tableEnd);
    const std::vector<BYTE> before = table.bytes;

    LoginTableEntry entry = MinimalEntry(u"V");
    entry.moShellRoot.append(c.newEntryExtra / 2, u'\\');
    EXPECT_EQ(LoginTable::mbFits(table.View(), entry), c.written);
    if (c.oldEntryOfTheVault) {
        if (!c.written) return;  // the caller keeps the old entry: nothing to do
        ASSERT_TRUE(FindLoginTableEntry(view, u"V"));
        ASSERT_TRUE(LoginTable::mbRemoveAtCursor(view));
        EXPECT_TRUE(LoginTable::mbAppend(view, entry));
        EXPECT_EQ(VaultNames(ReadTable(table.View())), (Names{u"filler", u"V"}));
        return;
    }
    EXPECT_EQ(LoginTable::mbAppend(view, entry), c.written);
    if (c.written) {
        EXPECT_EQ(ReadTable(table.View()).end, c.tableEnd + entry.mlEncodedSize());
    } else {
        EXPECT_EQ(table.bytes, before) << "nothing written";
    }
}

INSTANTIATE_TEST_SUITE_P(Boundary, LoginTableFitTest, ::testing::ValuesIn(kFitCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

// --- Damaged tables ------------------------------------------------------------
// Every buffer is exactly as large as the view, so the address sanitizer
// catches a read past it; a table is read as its entries before the damage.

void FillWithCharacter(TableBuffer& table, size_t from, size_t to, char16_t c) {
    for (size_t at = from; at + 1 < to; at += 2) {
        table.bytes[at] = static_cast<BYTE>(c & 0xFF);
        table.bytes[at + 1] = static_cast<BYTE>(c >> 8);
    }
}

struct DamageCase {
    const char* name;
    size_t bufferSize;
    std::function<void(TableBuffer&)> damage;
    Names readable;  // the entries a reader sees
};

size_t EntriesEnd(TableBuffer& table) { return ReadTable(table.View()).end; }

const DamageCase kDamageCases[] = {
    {"no_terminator_entries_fill_the_table",
     kLoginTableBytes,
     [](TableBuffer& table) {
         LoginTableView view = table.View();
         LoginTable::mbAppend(view, FillerOfSize(kLoginTableBytes - 2 - 52));
         LoginTable::mbAppend(view, MinimalEntry(u"L"));
         // The terminator at 4094 becomes the start of a string that never ends.
         FillWithCharacter(table, 4094, 4096, u'Z');
     },
     {u"filler", u"L"}},
    {"string_without_nul_to_the_end",
     kLoginTableBytes,
     [](TableBuffer& table) { FillWithCharacter(table, 0, kLoginTableBytes, u'A'); },
     {}},
    {"good_entry_then_string_without_nul",
     kLoginTableBytes,
     [](TableBuffer& table) {
         LoginTableView view = table.View();
         LoginTable::mbAppend(view, MakeEntry(u"Good"));
         FillWithCharacter(table, EntriesEnd(table), kLoginTableBytes, u'A');
     },
     {u"Good"}},
    {"integers_run_past_the_bound",
     kLoginTableBytes,
     [](TableBuffer& table) {
         // A long first string and six empty ones end at 4090: the 24 bytes
         // after them do not fit.
         FillWithCharacter(table, 0, 4076, u'S');
     },
     {}},
    {"string_ends_only_past_the_table",
     2 * kLoginTableBytes,
     [](TableBuffer& table) {
         // Zeros beyond 4096: read without the bound, the first string would
         // end there and a whole entry follow.
         FillWithCharacter(table, 0, kLoginTableBytes, u'A');
     },
     {}},
    {"view_shorter_than_the_table", 100, [](TableBuffer& table) { FillWithCharacter(table, 0, 100, u'A'); }, {}},
};

void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }

class LoginTableDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(LoginTableDamageTest, ReadsTheEntriesBeforeTheDamageAndNoFurther) {
    const DamageCase& c = GetParam();
    TableBuffer table(c.bufferSize);
    c.damage(table);
    EXPECT_EQ(VaultNames(ReadTable(table.View())), c.readable);
    LoginTableView view = table.View();
    EXPECT_FALSE(FindLoginTableEntry(view, u"Missing"));
    EXPECT_EQ(view.cursor, ReadTable(table.View()).end) << "the damage ends the table";
    LoginTableEntry entry;
    EXPECT_FALSE(ParseLoginTableEntry(view, entry));
}

TEST_P(LoginTableDamageTest, WritingRepairsTheTableAtTheDamage) {
    const DamageCase& c = GetParam();
    TableBuffer table(c.bufferSize);
    c.damage(table);
    LoginTableView view = table.View();
    const size_t end = ReadTable(table.View()).end;
    const LoginTableEntry added = MinimalEntry(u"New");
    const bool room = end + added.mlEncodedSize() + 2 <= view.Limit();
    EXPECT_EQ(LoginTable::mbAppend(view, added), room);
    Names expected = c.readable;
    if (room) expected.push_back(u"New");
    EXPECT_EQ(VaultNames(ReadTable(table.View())), expected);

    // Removing the first entry leaves the others and a sound terminator.
    if (expected.empty()) return;
    ASSERT_TRUE(FindLoginTableEntry(view, expected.front().c_str()));
    ASSERT_TRUE(LoginTable::mbRemoveAtCursor(view));
    const TableContents after = ReadTable(table.View());
    EXPECT_EQ(VaultNames(after), Names(expected.begin() + 1, expected.end()));
    EXPECT_EQ(table.bytes[after.end], 0);
    EXPECT_EQ(table.bytes[after.end + 1], 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginTableDamageTest, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
