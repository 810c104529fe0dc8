#include "fs/DirectoryScanner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fovella {
namespace {

std::vector<std::string> Names(const std::vector<PathString>& paths)
{
    std::vector<std::string> names;
    for (const PathString& path : paths)
        names.push_back(GetFileName(path));
    return names;
}

TEST(DirectoryScanner, ListsFilesInNameOrderIgnoringCaseHiddenIncludedFoldersLeftOut)
{
    test::ScratchDir dir;
    for (const char* name : {"b.jpeg", "A.JPG", "c.Png", ".hidden.jpg", "d e.bmp", "é.png", "notes.txt", "B.jpg"})
        test::WriteFileBytes(dir.File(name), {1});
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("a.jpg").c_str(), 0700), 0);
    test::WriteFileBytes(dir.File("sub/inner.jpg"), {1});
    PathString before;
    ASSERT_TRUE(GetCurrentDir(before));

    DirectoryScanner scanner;
    EXPECT_TRUE(scanner.Scan(dir.Path()));
    EXPECT_EQ(Names(scanner.Files()), (std::vector<std::string>{".hidden.jpg", "A.JPG", "b.jpeg", "B.jpg", "c.Png",
                                                                "d e.bmp", "notes.txt", "é.png"}));
    EXPECT_EQ(scanner.Files().front().str(), dir.File(".hidden.jpg"));
    PathString after;
    ASSERT_TRUE(GetCurrentDir(after));
    EXPECT_EQ(after, before);

    // A second listing comes after the first.
    EXPECT_TRUE(scanner.Scan(dir.File("sub")));
    EXPECT_EQ(scanner.Files().back().str(), dir.File("sub/inner.jpg"));
    EXPECT_EQ(scanner.Files().size(), 9u);
}

TEST(DirectoryScanner, MissingAndEmptyFoldersListNothingAndAMissingOneSaysSo)
{
    test::ScratchDir dir;
    DirectoryScanner missing, empty;
    EXPECT_FALSE(missing.Scan(dir.File("nowhere")));
    EXPECT_EQ(missing.Error(), "No such file or directory");
    EXPECT_TRUE(missing.Files().empty());
    EXPECT_TRUE(empty.Scan(dir.Path()));
    EXPECT_TRUE(empty.Files().empty());
}

TEST(DirectoryScanner, RootFolderGetsNoDoubledSeparator)
{
    test::ScratchDir dir;
    test::WriteFileBytes(dir.File("a.jpg"), {1});
    DirectoryScanner scanner;
    ASSERT_TRUE(scanner.Scan(dir.Path() + "/"));
    ASSERT_EQ(scanner.Files().size(), 1u);
    EXPECT_EQ(scanner.Files()[0].str(), dir.File("a.jpg"));
}

}  // namespace
}  // namespace fovella
