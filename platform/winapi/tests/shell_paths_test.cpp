#include "testsupport/fresh_machine.h"
#include "winapi/files.h"
#include "winapi/path_mapping.h"
#include "winapi/shell_paths.h"
#include "winapi/text.h"

#include <fstream>
#include <string>

namespace {

// A MAX_PATH buffer holding `text`, with a guard after it that no helper
// may touch.
struct PathBuffer {
    explicit PathBuffer(std::u16string_view text) {
        std::fill(std::begin(chars), std::end(chars), u'#');
        std::copy(text.begin(), text.end(), chars);
        chars[text.size()] = 0;
    }
    std::u16string text() const { return chars; }
    bool guardIntact() const { return chars[MAX_PATH] == u'#'; }
    WCHAR chars[MAX_PATH + 1];
};

std::string Narrow(std::u16string_view text) { return winapi::ToUtf8(text); }

TEST(ShellPathsTest, FindExtensionTakesTheLastDotOfTheLastElement) {
    struct Case {
        std::u16string path, extension;
    };
    const Case cases[] = {
        {u"file.txt", u".txt"},     {u"archive.tar.gz", u".gz"},  {u"C:\\dir.d\\file", u""},
        {u"/home/dir.d/file", u""}, {u"C:\\a.b\\c.d\\", u""},     {u"name.", u"."},
        {u".hidden", u".hidden"},   {u"Part.<item>", u".<item>"}, {u"", u""},
    };
    for (const Case& c : cases) {
        LPWSTR found = PathFindExtensionW(c.path.c_str());
        EXPECT_EQ(std::u16string(found), c.extension) << Narrow(c.path);
        EXPECT_EQ(found + std::char_traits<char16_t>::length(found), c.path.c_str() + c.path.size());
    }
    EXPECT_EQ(PathFindExtensionW(nullptr), nullptr);
}

TEST(ShellPathsTest, FindFileNameKeepsATrailingSeparatorWithItsElement) {
    struct Case {
        std::u16string path, name;
    };
    const Case cases[] = {
        {u"C:\\dir\\file.txt", u"file.txt"},
        {u"C:\\dir\\", u"dir\\"},
        {u"/home/u/f", u"f"},
        {u"file", u"file"},
        {u"C:file", u"file"},
        {u"\\\\server\\share", u"share"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::u16string(PathFindFileNameW(c.path.c_str())), c.name) << Narrow(c.path);

    PathBuffer buffer(u"C:\\dir\\file.txt");
    PathStripPathW(buffer.chars);
    EXPECT_EQ(buffer.text(), u"file.txt");
}

TEST(ShellPathsTest, RemoveFileSpecStopsAtTheRoot) {
    struct Case {
        std::u16string path, result;
        BOOL removed;
    };
    const Case cases[] = {
        {u"C:\\dir\\file.txt", u"C:\\dir", TRUE},
        {u"C:\\dir\\", u"C:\\dir", TRUE},
        {u"C:\\dir\\\\", u"C:\\dir\\", TRUE},
        {u"C:\\file", u"C:\\", TRUE},
        {u"C:\\", u"C:\\", FALSE},
        {u"C:", u"C:", FALSE},
        {u"C:file", u"C:", TRUE},
        {u"\\file", u"\\", TRUE},
        {u"\\", u"\\", FALSE},
        {u"file", u"", TRUE},
        {u"", u"", FALSE},
        {u"/home/u/view/desktop.ini", u"/home/u/view", TRUE},
        {u"/home/u\\view", u"/home/u", TRUE},
        {u"dir.ext\\file", u"dir.ext", TRUE},
        {u"\\\\server\\share", u"\\\\server", TRUE},
        {u"\\\\server", u"\\\\server", FALSE},
    };
    for (const Case& c : cases) {
        PathBuffer buffer(c.path);
        EXPECT_EQ(PathRemoveFileSpecW(buffer.chars), c.removed) << Narrow(c.path);
        EXPECT_EQ(buffer.text(), c.result) << Narrow(c.path);
    }
    EXPECT_FALSE(PathRemoveFileSpecW(nullptr));
}

TEST(ShellPathsTest, RemoveBackslashKeepsTheRootsOwn) {
    struct Case {
        std::u16string path, result;
        bool removed;
    };
    const Case cases[] = {
        {u"C:\\dir\\", u"C:\\dir", true}, {u"/a/", u"/a", true}, {u"C:\\", u"C:\\", false}, {u"\\", u"\\", false},
        {u"C:\\dir", u"C:\\dir", false},
    };
    for (const Case& c : cases) {
        PathBuffer buffer(c.path);
        LPWSTR at = PathRemoveBackslashW(buffer.chars);
        EXPECT_EQ(buffer.text(), c.result) << Narrow(c.path);
        // The terminator where the separator stood, else the last character.
        EXPECT_EQ(at, buffer.chars + (c.removed ? c.result.size() : c.result.size() - 1)) << Narrow(c.path);
    }
    PathBuffer empty(u"");
    EXPECT_EQ(PathRemoveBackslashW(empty.chars), empty.chars);
}

TEST(ShellPathsTest, AddBackslashNeverWritesPastTheBuffer) {
    struct Case {
        std::u16string path, result;
    };
    const Case cases[] = {{u"C:\\dir", u"C:\\dir\\"}, {u"C:\\dir\\", u"C:\\dir\\"}, {u"/a/", u"/a/"}, {u"", u""}};
    for (const Case& c : cases) {
        PathBuffer buffer(c.path);
        LPWSTR end = PathAddBackslashW(buffer.chars);
        EXPECT_EQ(buffer.text(), c.result);
        EXPECT_EQ(end, buffer.chars + c.result.size());
    }
    PathBuffer fits(std::u16string(MAX_PATH - 2, u'a'));
    EXPECT_NE(PathAddBackslashW(fits.chars), nullptr);
    EXPECT_EQ(fits.text().size(), size_t{MAX_PATH - 1});
    PathBuffer full(std::u16string(MAX_PATH - 1, u'a'));
    EXPECT_EQ(PathAddBackslashW(full.chars), nullptr);
    EXPECT_EQ(full.text(), std::u16string(MAX_PATH - 1, u'a'));
    EXPECT_TRUE(full.guardIntact());
}

TEST(ShellPathsTest, ExtensionsAreRemovedAndRenamedInTheLastElement) {
    struct Case {
        std::u16string path, removed, renamed;
    };
    const Case cases[] = {
        {u"a.txt", u"a", u"a.doc"},
        {u"a", u"a", u"a.doc"},
        {u"dir.x\\a", u"dir.x\\a", u"dir.x\\a.doc"},
        {u"C:\\v\\Part.<item>", u"C:\\v\\Part", u"C:\\v\\Part.doc"},
    };
    for (const Case& c : cases) {
        PathBuffer removed(c.path);
        PathRemoveExtensionW(removed.chars);
        EXPECT_EQ(removed.text(), c.removed);
        PathBuffer renamed(c.path);
        EXPECT_TRUE(PathRenameExtensionW(renamed.chars, u".doc"));
        EXPECT_EQ(renamed.text(), c.renamed);
    }
    PathBuffer nearlyFull(std::u16string(MAX_PATH - 3, u'a') + u".x");
    EXPECT_FALSE(PathRenameExtensionW(nearlyFull.chars, u".long"));
    EXPECT_EQ(nearlyFull.text(), std::u16string(MAX_PATH - 3, u'a') + u".x");
    EXPECT_TRUE(nearlyFull.guardIntact());
}

TEST(ShellPathsTest, CombineAndAppendJoinWithOneSeparatorAndResolveDots) {
    struct Case {
        const char16_t* dir;
        const char16_t* file;
        std::u16string combined;
    };
    const Case cases[] = {
        {u"C:", u"One\\Two", u"C:\\One\\Two"},
        {u"C:\\a\\", u"b", u"C:\\a\\b"},
        {u"C:\\a", u"..\\b", u"C:\\b"},
        {u"C:\\a", u"\\b", u"C:\\b"},
        {u"C:\\a", u"D:\\b", u"D:\\b"},
        {u"/home/u", u"view\\desktop.ini", u"/home/u\\view\\desktop.ini"},
        {u"", u"x", u"x"},
        {nullptr, u"x", u"x"},
        {u"C:\\a", nullptr, u"C:\\a"},
    };
    for (const Case& c : cases) {
        WCHAR dest[MAX_PATH];
        EXPECT_EQ(PathCombineW(dest, c.dir, c.file), dest);
        EXPECT_EQ(std::u16string(dest), c.combined);
    }
    WCHAR dest[MAX_PATH] = u"x";
    EXPECT_EQ(PathCombineW(dest, nullptr, nullptr), nullptr);
    EXPECT_EQ(dest[0], 0);

    PathBuffer path(u"C:\\a");
    EXPECT_TRUE(PathAppendW(path.chars, u"\\b\\.\\c"));
    EXPECT_EQ(path.text(), u"C:\\a\\b\\c");
    // The same buffer as folder and result.
    EXPECT_EQ(PathCombineW(path.chars, path.chars, u".."), path.chars);
    EXPECT_EQ(path.text(), u"C:\\a\\b");

    PathBuffer longPath(u"C:\\" + std::u16string(MAX_PATH - 6, u'a'));
    EXPECT_FALSE(PathAppendW(longPath.chars, u"toolong"));
    EXPECT_EQ(longPath.text(), u"C:\\" + std::u16string(MAX_PATH - 6, u'a'));
    EXPECT_TRUE(longPath.guardIntact());
}

TEST(ShellPathsTest, RelativeAndDriveNumbers) {
    struct Case {
        const char16_t* path;
        BOOL relative;
        int drive;
    };
    const Case cases[] = {
        {u"C:\\x", FALSE, 2}, {u"z:", FALSE, 25},      {u"\\\\?\\D:\\", FALSE, 3},
        {u"\\x", FALSE, -1},  {u"/home/u", FALSE, -1}, {u"dir\\x", TRUE, -1},
        {u"1:\\x", TRUE, -1}, {u"", TRUE, -1},         {nullptr, TRUE, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathIsRelativeW(c.path), c.relative) << (c.path ? Narrow(c.path) : "null");
        EXPECT_EQ(PathGetDriveNumberW(c.path), c.drive) << (c.path ? Narrow(c.path) : "null");
    }
}

TEST(ShellPathsTest, StringComparisonsIgnoreCase) {
    EXPECT_EQ(StrCmpIW(u"Tavrosk", u"TAVROSK"), 0);
    EXPECT_LT(StrCmpIW(u"apple", u"Banana"), 0);
    EXPECT_GT(StrCmpIW(u"b", u"A"), 0);
    EXPECT_EQ(StrCmpIW(nullptr, u""), 0);
    // The explorer's check that a path lies below a root: the root and its
    // backslash, compared over that many characters.
    const char16_t* root = u"c:\\vaults\\view\\";
    EXPECT_EQ(StrCmpNIW(u"C:\\Vaults\\View\\Folder", root, 15), 0);
    EXPECT_NE(StrCmpNIW(u"C:\\Vaults\\Viewer\\Folder", root, 15), 0);
    EXPECT_EQ(StrCmpNIW(u"abc", u"ABD", 2), 0);
    EXPECT_LT(StrCmpNIW(u"ab", u"ABC", 3), 0);
    EXPECT_EQ(StrCmpNIW(u"x", u"y", 0), 0);

    const char16_t* text = u"C:\\Vaults\\<ITEMS>\\Part";
    EXPECT_EQ(StrStrIW(text, u"<items>"), text + 10);
    EXPECT_EQ(StrStrIW(text, u"<folders>"), nullptr);
    EXPECT_EQ(StrStrIW(text, u""), text);
    EXPECT_EQ(StrStrIW(nullptr, u"x"), nullptr);
}

using ShellPathsOnDiskTest = testsupport::FreshMachineTest;

TEST_F(ShellPathsOnDiskTest, ExistenceAndFolderTests) {
    std::filesystem::path folder = machine_.root() / "view";
    std::filesystem::create_directory(folder);
    std::ofstream(folder / "desktop.ini") << "[Tavrosk]\n";
    std::u16string folderPath = winapi::FromPosixPath(folder.string());
    std::u16string filePath = folderPath + u"\\desktop.ini";
    std::u16string missing = folderPath + u"\\missing";

    EXPECT_TRUE(PathFileExistsW(folderPath.c_str()));
    EXPECT_TRUE(PathFileExistsW(filePath.c_str()));
    EXPECT_FALSE(PathFileExistsW(missing.c_str()));
    EXPECT_FALSE(PathFileExistsW(nullptr));
    EXPECT_EQ(PathIsDirectoryW(folderPath.c_str()), static_cast<BOOL>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(PathIsDirectoryW((folderPath + u"\\").c_str()), static_cast<BOOL>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(PathIsDirectoryW(filePath.c_str()), FALSE);
    EXPECT_EQ(PathIsDirectoryW(missing.c_str()), FALSE);
}

}  // namespace
