#include "fs/PathString.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace fovella {
namespace {

struct Split {
    const char* path;
    const char* directory;
    const char* name;
    const char* stem;
    const char* extension;
};

void ExpectSplit(const Split& s, const PathRules& rules)
{
    const std::string path = CleanPath(s.path, rules);
    EXPECT_EQ(GetDirectory(path, rules), s.directory);
    EXPECT_EQ(GetFileName(path, rules), s.name);
    EXPECT_EQ(GetFileStem(path, rules), s.stem);
    EXPECT_EQ(GetExtension(path, rules), s.extension);
}

class WindowsPaths : public testing::TestWithParam<Split> {};
TEST_P(WindowsPaths, Split) { ExpectSplit(GetParam(), kWindowsPaths); }
INSTANTIATE_TEST_SUITE_P(
    Table, WindowsPaths,
    testing::Values(Split{"photo.jpg", "", "photo.jpg", "photo", "jpg"},
                    Split{"C:photo.jpg", "", "C:photo.jpg", "C:photo", "jpg"},
                    Split{"C:\\photo.jpg", "C:\\", "photo.jpg", "photo", "jpg"},
                    Split{"C:\\a\\photo.jpg", "C:\\a", "photo.jpg", "photo", "jpg"},
                    Split{"\\photo.jpg", "\\", "photo.jpg", "photo", "jpg"},
                    Split{"\\\\server\\share\\photo.jpg", "\\\\server\\share", "photo.jpg", "photo",
                          "jpg"},
                    Split{"C:/pics/a.jpg", "C:\\pics", "a.jpg", "a", "jpg"},
                    Split{"archive.tar.gz", "", "archive.tar.gz", "archive.tar", "gz"},
                    Split{"C:\\my.folder\\readme", "C:\\my.folder", "readme", "readme", ""},
                    Split{"d\\.hidden", "d", ".hidden", "", "hidden"},
                    Split{"d\\name.", "d", "name.", "name", ""}));

class PosixPaths : public testing::TestWithParam<Split> {};
TEST_P(PosixPaths, Split) { ExpectSplit(GetParam(), kPosixPaths); }
INSTANTIATE_TEST_SUITE_P(
    Table, PosixPaths,
    testing::Values(Split{"photo.jpg", "", "photo.jpg", "photo", "jpg"},
                    Split{"/photo.jpg", "/", "photo.jpg", "photo", "jpg"},
                    Split{"/a/photo.jpg", "/a", "photo.jpg", "photo", "jpg"},
                    Split{"//server/share/photo.jpg", "//server/share", "photo.jpg", "photo",
                          "jpg"},
                    Split{"pics\\a.jpg", "", "pics\\a.jpg", "pics\\a", "jpg"},
                    Split{"C:/a.jpg", "C:", "a.jpg", "a", "jpg"},
                    Split{"archive.tar.gz", "", "archive.tar.gz", "archive.tar", "gz"},
                    Split{"/my.folder/readme", "/my.folder", "readme", "readme", ""},
                    Split{"d/.hidden", "d", ".hidden", "", "hidden"},
                    Split{"d/name.", "d", "name.", "name", ""}));

TEST(PathString, CleansOnConstructionAndAssignmentOnlyUnderWindowsRules)
{
    EXPECT_EQ(CleanPath("C:/pics/a.jpg", kWindowsPaths), "C:\\pics\\a.jpg");
    EXPECT_EQ(CleanPath("pics\\a/b.jpg", kPosixPaths), "pics\\a/b.jpg");
    PathString path = std::string("a/b");
    path += "/c";
    EXPECT_EQ(path.str(), CleanPath("a/b", kNativePaths) + "/c");
}

TEST(JoinPath, AddsOneSeparatorAndOneDot)
{
    EXPECT_EQ(JoinPath("C:\\a", "x", "jpg", kWindowsPaths), "C:\\a\\x.jpg");
    EXPECT_EQ(JoinPath("C:\\", "x", ".jpg", kWindowsPaths), "C:\\x.jpg");
    EXPECT_EQ(JoinPath("", "x", "", kWindowsPaths), "x");
    EXPECT_EQ(JoinPath("C:/a", "b/x", "jpg", kWindowsPaths), "C:\\a\\b\\x.jpg");
    EXPECT_EQ(JoinPath("/a", "x", "jpg", kPosixPaths), "/a/x.jpg");
    EXPECT_EQ(JoinPath("/", "x", ".jpg", kPosixPaths), "/x.jpg");
    EXPECT_EQ(JoinPath("/a/", "x", "", kPosixPaths), "/a/x");
    EXPECT_EQ(JoinPath("a\\", "x", "png", kPosixPaths), "a\\/x.png");
}

TEST(FileTests, TellFilesFromFoldersAndMissingPaths)
{
    test::ScratchDir dir;
    test::WriteFileBytes(dir.File("a.jpg"), {1, 2, 3});
    EXPECT_TRUE(IsFile(dir.File("a.jpg")));
    EXPECT_FALSE(IsDirectory(dir.File("a.jpg")));
    EXPECT_TRUE(IsDirectory(dir.Path()));
    EXPECT_FALSE(IsFile(dir.Path()));
    EXPECT_FALSE(IsFile(dir.File("missing.jpg")));
    EXPECT_FALSE(IsDirectory(dir.File("missing")));
}

TEST(CurrentDir, ReadsBackEvenBeyond255Characters)
{
    PathString start;
    ASSERT_TRUE(GetCurrentDir(start));

    test::ScratchDir dir;
    std::string deep = dir.Path();
    while (deep.size() < 400) {
        deep += "/" + std::string(50, 'd');
        ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    }
    ASSERT_EQ(::chdir(deep.c_str()), 0);
    PathString here;
    EXPECT_TRUE(GetCurrentDir(here));
    EXPECT_EQ(GetFileName(here), std::string(50, 'd'));
    EXPECT_GT(here.str().size(), 255u);
    ASSERT_EQ(::chdir(start.c_str()), 0);
}

}  // namespace
}  // namespace fovella
