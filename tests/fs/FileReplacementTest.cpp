#include "fs/FileReplacement.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fovella {
namespace {

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<std::uint8_t> kNew(100000, 'n');

bool WriteAll(const std::string& target, const std::vector<std::uint8_t>& bytes)
{
    FileReplacement file(target);
    return file.Open() && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

TEST(FileReplacement, ReplacesTheTargetAndKeepsItsPermissions)
{
    test::ScratchDir dir;
    const std::string target = dir.File("photo.bmp");
    test::WriteFileBytes(target, kOld);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(WriteAll(target, kNew));
    EXPECT_EQ(test::ReadFileBytes(target), kNew);
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"photo.bmp"});
}

// A program killed in the middle of a save (SIGKILL: no handler runs)
// leaves the old file and nothing else.
TEST(FileReplacement, AKillMidWriteLeavesNoTemporary)
{
    test::ScratchDir dir;
    const std::string target = dir.File("photo.bmp");
    test::WriteFileBytes(target, kOld);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileReplacement file(target);
        if (file.Open() && file.Write(kNew.data(), kNew.size()))
            std::fflush(file.Stream());
        ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"photo.bmp"});
    EXPECT_EQ(test::ReadFileBytes(target), kOld);
}

TEST(FileReplacement, ANewFileGetsTheUsualPermissions)
{
    test::ScratchDir dir;
    const mode_t previous = ::umask(027);
    const bool written = WriteAll(dir.File("new.png"), kNew);
    ::umask(previous);
    ASSERT_TRUE(written);
    struct stat status {};
    ASSERT_EQ(::stat(dir.File("new.png").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST(FileReplacement, DiscardedWriteLeavesTheTargetAsItWas)
{
    test::ScratchDir dir;
    const std::string target = dir.File("photo.bmp");
    test::WriteFileBytes(target, kOld);
    {
        FileReplacement file(target);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    }
    EXPECT_EQ(test::ReadFileBytes(target), kOld);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"photo.bmp"});
}

TEST(FileReplacement, RefusesFoldersAndMissingFolders)
{
    test::ScratchDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder.bmp").c_str(), 0700), 0);
    test::WriteFileBytes(dir.File("folder.bmp/inside"), kOld);
    FileReplacement onFolder(dir.File("folder.bmp"));
    EXPECT_FALSE(onFolder.Open());
    EXPECT_NE(onFolder.Error().find("not a regular file"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(dir.File("folder.bmp/inside")), kOld);

    EXPECT_FALSE(WriteAll(dir.File("missing/photo.bmp"), kNew));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder.bmp"});

    FileReplacement onDevice("/dev/null");
    EXPECT_FALSE(onDevice.Open());
}

// A full disk, simulated by a file-size limit in a child process.
TEST(FileReplacement, FullDiskLeavesTheTargetAndNoTemporary)
{
    test::ScratchDir dir;
    const std::string target = dir.File("photo.bmp");
    test::WriteFileBytes(target, kOld);
    EXPECT_FALSE(test::SucceedsWithFileSizeLimit(4096, [&] { return WriteAll(target, kNew); }));
    EXPECT_EQ(test::ReadFileBytes(target), kOld);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"photo.bmp"});
}

TEST(FileReplacement, TargetWithTheLongestNameAllowed)
{
    test::ScratchDir dir;
    const std::string name = std::string(251, 'n') + ".jpg";  // 255 bytes
    ASSERT_TRUE(WriteAll(dir.File(name), kNew));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{name});
}

TEST(FileReplacement, NewFileIsCreatedOnlyOnCommit)
{
    test::ScratchDir dir;
    FileReplacement file(dir.File("new.bmp"));
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    EXPECT_EQ(::access(dir.File("new.bmp").c_str(), F_OK), -1);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(test::ReadFileBytes(dir.File("new.bmp")), kNew);
}

}  // namespace
}  // namespace fovella
