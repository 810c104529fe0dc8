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

TEST(DirectoryScanner, ListsFilesInNameOrderIgnoringCaseHiddenIncluded)
{
    test::ScratchDir dir;
    for (const char* name : {"b.jpeg", "A.JPG", "c.Png", ".hidden.jpg", "d e.bmp", "é.png", "notes.txt", "B.jpg"})
        test::WriteFileBytes(dir.File(name), {1});
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
    test::WriteFileBytes(dir.File("sub/inner.jpg"), {1});
    PathString before;
    ASSERT_TRUE(GetCurrentDir(before));

    DirectoryScanner scanner;
    EXPECT_TRUE(scanner.Scan("*", dir.Path(), 1));
    EXPECT_EQ(Names(scanner.Files()), (std::vector<std::string>{".hidden.jpg", "A.JPG", "b.jpeg", "B.jpg", "c.Png",
                                                                "d e.bmp", "notes.txt", "é.png"}));
    EXPECT_EQ(scanner.Files().front().str(), dir.File(".hidden.jpg"));
    EXPECT_EQ(Names(scanner.Subfolders()), std::vector<std::string>{"sub"});
    PathString after;
    ASSERT_TRUE(GetCurrentDir(after));
    EXPECT_EQ(after, before);

    DirectoryScanner deep;
    deep.Scan("*.JPG", dir.Path(), 2);
    EXPECT_EQ(Names(deep.Files()), (std::vector<std::string>{".hidden.jpg", "A.JPG", "B.jpg", "inner.jpg"}));
}

TEST(DirectoryScanner, DepthZeroMissingAndEmptyFoldersListNothingAndAMissingOneSaysSo)
{
    test::ScratchDir dir;
    test::WriteFileBytes(dir.File("a.jpg"), {1});
    DirectoryScanner zero, missing, empty;
    EXPECT_TRUE(zero.Scan("*", dir.Path(), 0));
    EXPECT_TRUE(zero.Files().empty());
    EXPECT_FALSE(missing.Scan("*", dir.File("nowhere"), 1));
    EXPECT_EQ(missing.Error(), "No such file or directory");
    EXPECT_TRUE(missing.Files().empty());
    ASSERT_EQ(::mkdir(dir.File("empty").c_str(), 0700), 0);
    EXPECT_TRUE(empty.Scan("*", dir.File("empty"), 1));
    EXPECT_TRUE(empty.Files().empty());
    EXPECT_TRUE(empty.Subfolders().empty());
}

TEST(DirectoryScanner, RootFolderGetsNoDoubledSeparator)
{
    DirectoryScanner scanner;
    scanner.Scan("*", "/", 1);
    for (const PathString& path : scanner.Subfolders())
        EXPECT_EQ(path.str().rfind("//", 0), std::string::npos) << path.str();
}

TEST(MatchesMask, WildcardsIgnoreCase)
{
    EXPECT_TRUE(MatchesMask("IMG_1.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesMask("a.jpg", "?.jpg"));
    EXPECT_FALSE(MatchesMask("ab.jpg", "?.jpg"));
    EXPECT_TRUE(MatchesMask("anything", "*"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.*.c"));
    EXPECT_FALSE(MatchesMask("a.png", "*.jpg"));
}

}  // namespace
}  // namespace fovella
