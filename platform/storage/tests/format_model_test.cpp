// The in-memory model: element names, lookup in the format's order and
// without regard to case, creating, renaming and destroying children, and
// stream content held in memory or read from a file.
#include "format_test_support.h"

#include "format/element_name.h"

namespace formattest {
namespace {

using storage::format::CompareElementNames;
using storage::format::ValidateElementName;

TEST(FormatElementNameTest, ValidNamesAndTheCharactersTheFormatRefuses) {
    const std::u16string thirtyOne(31, u'x');
    const struct {
        std::u16string name;
        HRESULT expected;
    } cases[] = {
        {u"a", S_OK},
        {thirtyOne, S_OK},
        {thirtyOne + u"x", STG_E_INVALIDNAME},
        {u"", STG_E_INVALIDNAME},
        {u"a/b", STG_E_INVALIDNAME},
        {u"a\\b", STG_E_INVALIDNAME},
        {u"a:b", STG_E_INVALIDNAME},
        {u"a!b", STG_E_INVALIDNAME},
        {std::u16string(u"a\0b", 3), STG_E_INVALIDNAME},
        {u"\x05SummaryInformation", S_OK},  // property sets start with a control character
        {u"\x01"
         u"CompObj",
         S_OK},
        {u"%01 *?|\"<>", S_OK},
        {u"Grüße \u4E2D", S_OK},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, ValidateElementName(c.name)) << winapi::ToUtf8(c.name);
    }
}

TEST(FormatElementNameTest, OrderIsLengthFirstThenUpperCasedCodeUnits) {
    EXPECT_LT(CompareElementNames(u"zz", u"aaa"), 0);  // shorter first, whatever the letters
    EXPECT_LT(CompareElementNames(u"ab", u"AC"), 0);
    EXPECT_EQ(0, CompareElementNames(u"Item", u"iTEM"));
    EXPECT_EQ(0, CompareElementNames(u"äöü", u"ÄÖÜ"));
    EXPECT_EQ(0, CompareElementNames(u"σ", u"Σ"));
    // Upper-cased units compare as numbers: '_' (0x5F) sorts after 'A'..'Z'
    // but 'a' upper-cases to 'A' first.
    EXPECT_LT(CompareElementNames(u"a", u"_"), 0);
    EXPECT_GT(CompareElementNames(u"\u00E9", u"Z"), 0);
}

TEST(FormatElementTest, ChildrenAreFoundWithoutRegardToCaseAndListedInTheFormatsOrder) {
    Tree tree;
    Element& root = tree.Root();
    for (const char16_t* name : {u"beta", u"Alpha", u"c", u"ZZ", u"alpha2"}) {
        AddStream(root, name, {});
    }
    std::vector<std::u16string> order;
    for (const auto& [key, child] : root.Children()) order.push_back(child->Name());
    EXPECT_EQ((std::vector<std::u16string>{u"c", u"ZZ", u"beta", u"Alpha", u"alpha2"}), order);
    ASSERT_NE(nullptr, root.FindChild(u"ALPHA"));
    EXPECT_EQ(u"Alpha", root.FindChild(u"ALPHA")->Name());
    EXPECT_EQ(nullptr, root.FindChild(u"alph"));
    EXPECT_EQ(&root, root.FindChild(u"zz")->Parent());
}

TEST(FormatElementTest, CreateRefusesTakenAndInvalidNamesAndStreamParents) {
    Tree tree;
    Element* stream = AddStream(tree.Root(), u"Data", {});
    Element* child = nullptr;
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, tree.Root().CreateChild(ElementType::Storage, u"DATA", &child));
    EXPECT_EQ(STG_E_INVALIDNAME, tree.Root().CreateChild(ElementType::Stream, u"a:b", &child));
    EXPECT_EQ(STG_E_INVALIDNAME, tree.Root().CreateChild(ElementType::Stream, std::u16string(32, u'n'), &child));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->CreateChild(ElementType::Stream, u"x", &child));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, tree.Root().CreateChild(ElementType::Root, u"x", &child));
    EXPECT_EQ(1u, tree.Root().ChildCount());
}

TEST(FormatElementTest, RenameKeepsTheElementAndChecksTheNewName) {
    Tree tree;
    Element* first = AddStream(tree.Root(), u"first", Pattern(10, 1));
    AddStream(tree.Root(), u"second", {});
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, tree.Root().RenameChild(u"first", u"SECOND"));
    EXPECT_EQ(STG_E_INVALIDNAME, tree.Root().RenameChild(u"first", u"a!"));
    EXPECT_EQ(STG_E_FILENOTFOUND, tree.Root().RenameChild(u"third", u"fourth"));
    ASSERT_EQ(S_OK, tree.Root().RenameChild(u"FIRST", u"First"));  // only the case changes
    EXPECT_EQ(first, tree.Root().FindChild(u"first"));
    EXPECT_EQ(u"First", first->Name());
    ASSERT_EQ(S_OK, tree.Root().RenameChild(u"first", u"a much longer name"));
    EXPECT_EQ(first, tree.Root().FindChild(u"A MUCH LONGER NAME"));
    EXPECT_EQ(nullptr, tree.Root().FindChild(u"first"));
    // The order follows the new name: "second" is now the shorter one.
    EXPECT_EQ(u"second", tree.Root().Children().begin()->second->Name());
}

TEST(FormatElementTest, DestroyRemovesAWholeSubtree) {
    Tree tree;
    Element* outer = AddStorage(tree.Root(), u"outer");
    Element* storage = outer;
    for (int i = 0; i < 10000; ++i) storage = AddStorage(*storage, u"n");
    AddStream(*storage, u"leaf", Pattern(100, 1));
    EXPECT_EQ(STG_E_FILENOTFOUND, tree.Root().DestroyChild(u"other"));
    EXPECT_EQ(S_OK, tree.Root().DestroyChild(u"OUTER"));
    EXPECT_EQ(0u, tree.Root().ChildCount());
}

// --- Stream content ---------------------------------------------------------

TEST(FormatStreamContentTest, WritesGrowTheStreamAndGapsReadAsZeros) {
    storage::format::StreamContent content;
    const std::vector<uint8_t> abc = {'a', 'b', 'c'};
    ASSERT_EQ(S_OK, content.Write(5, abc.data(), abc.size()));
    EXPECT_EQ(8u, content.Size());
    std::vector<uint8_t> bytes(20, 0xEE);
    size_t read = 0;
    ASSERT_EQ(S_OK, content.Read(0, bytes.data(), bytes.size(), &read));
    EXPECT_EQ(8u, read);
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0, 0, 'a', 'b', 'c'}),
              std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8));
    // An overwrite inside keeps the longer tail.
    ASSERT_EQ(S_OK, content.Write(4, abc.data(), 1));
    ASSERT_EQ(S_OK, content.Read(4, bytes.data(), 10, &read));
    EXPECT_EQ(4u, read);
    EXPECT_EQ((std::vector<uint8_t>{'a', 'a', 'b', 'c'}), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4));
    // Reading at or past the end gives nothing and no error.
    EXPECT_EQ(S_OK, content.Read(8, bytes.data(), 1, &read));
    EXPECT_EQ(0u, read);
    EXPECT_EQ(S_OK, content.Read(1000, bytes.data(), 1, &read));
    EXPECT_EQ(0u, read);
}

TEST(FormatStreamContentTest, SetSizeCutsAndExtendsWithZeros) {
    storage::format::StreamContent content;
    const std::vector<uint8_t> data = Pattern(100, 3);
    ASSERT_EQ(S_OK, content.Write(0, data.data(), data.size()));
    ASSERT_EQ(S_OK, content.SetSize(10));
    ASSERT_EQ(S_OK, content.SetSize(50));
    std::vector<uint8_t> bytes(50);
    size_t read = 0;
    ASSERT_EQ(S_OK, content.Read(0, bytes.data(), bytes.size(), &read));
    std::vector<uint8_t> expected(data.begin(), data.begin() + 10);
    expected.resize(50, 0);
    EXPECT_EQ(expected, bytes);
    // Growth is not allocated: a stream of a terabyte costs nothing until written.
    EXPECT_EQ(S_OK, content.SetSize(uint64_t{1} << 40));
    EXPECT_EQ(STG_E_MEDIUMFULL, content.SetSize(storage::format::kMaxStreamSize + 1));
    EXPECT_EQ(STG_E_MEDIUMFULL, content.Write(UINT64_MAX - 1, data.data(), 2));
    EXPECT_EQ(uint64_t{1} << 40, content.Size());
}

class FormatLoadedContentTest : public FormatFileTest {};

TEST_F(FormatLoadedContentTest, UnchangedContentIsCutReadAndChangedLikeMemory) {
    Tree tree;
    AddStream(tree.Root(), u"large", Pattern(10000, 1));
    AddStream(tree.Root(), u"small", Pattern(1000, 2));
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), tree, 4));
    std::unique_ptr<Tree> loaded;
    ASSERT_EQ(S_OK, LoadFile(Path("a.cfb"), &loaded));
    for (const char16_t* name : {u"large", u"small"}) {
        SCOPED_TRACE(winapi::ToUtf8(name));
        Element* stream = loaded->Root().FindChild(name);
        std::vector<uint8_t> expected = ReadAll(*tree.Root().FindChild(name));
        // Cut (still read from the file), extend with zeros, then change.
        ASSERT_EQ(S_OK, stream->MutableContent().SetSize(700));
        expected.resize(700);
        EXPECT_EQ(expected, ReadAll(*stream));
        ASSERT_EQ(S_OK, stream->MutableContent().SetSize(900));
        expected.resize(900, 0);
        EXPECT_EQ(expected, ReadAll(*stream));
        const uint8_t mark = 0x77;
        ASSERT_EQ(S_OK, stream->MutableContent().Write(650, &mark, 1));
        expected[650] = mark;
        EXPECT_EQ(expected, ReadAll(*stream));
    }
    // The changed tree writes and reads back as changed.
    ASSERT_EQ(S_OK, WriteFile(Path("b.cfb"), *loaded, 3));
    std::unique_ptr<Tree> again;
    ASSERT_EQ(S_OK, LoadFile(Path("b.cfb"), &again));
    EXPECT_EQ(ReadAll(*loaded->Root().FindChild(u"large")), ReadAll(*again->Root().FindChild(u"large")));
    EXPECT_EQ(900u, again->Root().FindChild(u"small")->Content().Size());
}

TEST_F(FormatLoadedContentTest, ContentOutlivesTheTreeItWasReadWith) {
    // Streams keep the file open between them: dropping the tree's other
    // parts, or the caller's references, never leaves a stream reading a
    // closed descriptor.
    Tree tree;
    AddStream(tree.Root(), u"s", Pattern(5000, 9));
    ASSERT_EQ(S_OK, WriteFile(Path("a.cfb"), tree, 4));
    storage::format::StreamContent kept;
    {
        std::unique_ptr<Tree> loaded;
        ASSERT_EQ(S_OK, LoadFile(Path("a.cfb"), &loaded));
        kept = loaded->Root().FindChild(u"s")->Content();
    }
    std::vector<uint8_t> bytes(5000);
    size_t read = 0;
    ASSERT_EQ(S_OK, kept.Read(0, bytes.data(), bytes.size(), &read));
    EXPECT_EQ(Pattern(5000, 9), bytes);
}

}  // namespace
}  // namespace formattest
