#include "testsupport/fresh_machine.h"
#include "winapi/path_mapping.h"
#include "winapi/state_root.h"

#include <filesystem>

namespace {

using PathMappingTest = testsupport::FreshMachineTest;

TEST_F(PathMappingTest, MapsEachFormOfPath) {
    const std::string drive = winapi::DriveRoot('c').string();
    struct Case {
        std::u16string windows;
        std::string posix;
    };
    const Case cases[] = {
        {u"C:\\Data\\a.ini", drive + "/Data/a.ini"},
        {u"c:/Data/a.ini", drive + "/Data/a.ini"},
        {u"C:", drive},
        {u"C:\\", drive + "/"},
        {u"C:rel\\x", drive + "/rel/x"},
        {u"\\\\?\\C:\\Data", drive + "/Data"},
        {u"\\home\\u\\view\\desktop.ini", "/home/u/view/desktop.ini"},
        {u"/home/u/view\\desktop.ini", "/home/u/view/desktop.ini"},
        {u"folder\\file.txt", "folder/file.txt"},
        {u"Zürich\\名前.txt", "Zürich/名前.txt"},
        {u"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(winapi::ToPosixPath(c.windows), c.posix) << c.posix;
}

TEST_F(PathMappingTest, DriveRootIsMadeWhenFirstNamed) {
    EXPECT_FALSE(std::filesystem::exists(winapi::DriveRoot('d')));
    winapi::ToPosixPath(u"D:\\Vaults\\View");
    EXPECT_TRUE(std::filesystem::is_directory(winapi::DriveRoot('d')));
}

TEST_F(PathMappingTest, LinuxPathsComeBackAsTheyAre) {
    for (std::string posix : {"/tmp/a b/é.txt", "/", "relative/x"}) {
        std::u16string handedOut = winapi::FromPosixPath(posix);
        EXPECT_EQ(winapi::ToPosixPath(handedOut), posix);
        // The system appends its backslash parts to a path it was given.
        EXPECT_EQ(winapi::ToPosixPath(handedOut + u"\\desktop.ini"), posix + "/desktop.ini");
    }
    EXPECT_EQ(winapi::FromPosixPath("/tmp/a b/é.txt"), u"/tmp/a b/é.txt");
}

TEST(CollapseDotSegmentsTest, ResolvesDotsWithinTheRoot) {
    struct Case {
        std::u16string in, out;
    };
    const Case cases[] = {
        {u"C:\\a\\..\\b\\.\\c", u"C:\\b\\c"},
        {u"C:\\a\\b\\..", u"C:\\a"},
        {u"C:\\..\\..\\x", u"C:\\x"},
        {u"C:\\", u"C:\\"},
        {u"/home/u/../v/", u"/home/v/"},
        {u"/a//b", u"/a/b"},
        {u"/..", u"/"},
        {u"\\a/b\\c", u"\\a/b\\c"},
        {u"a\\..\\..\\b", u"..\\b"},
        {u"a\\.\\b", u"a\\b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(winapi::CollapseDotSegments(c.in), c.out) << std::string(c.out.begin(), c.out.end());
}

}  // namespace
