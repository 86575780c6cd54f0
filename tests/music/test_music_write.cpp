// test_music_write.cpp -- the music file on Linux: music_write through the
// program's fopen into the per-user drive directory, with the real file
// system under a temporary XDG_DATA_HOME, and the drive path mapping itself.
#include "music/music.h"
#include "platform/linux_platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

Bytes read_all(const std::string &path)
{
    Bytes out;
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0)
        return out;
    unsigned char block[4096];
    ssize_t got;
    while ((got = read(fd, block, sizeof(block))) > 0)
        out.insert(out.end(), block, block + got);
    close(fd);
    return out;
}

void write_all(const std::string &path, const Bytes &bytes)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), (ssize_t)bytes.size());
    close(fd);
}

int mode_of(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? (int)(st.st_mode & 07777) : -1;
}

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

Bytes tune()
{
    return Bytes(music_data, music_data + MUSIC_SIZE);
}

struct FilesTest : ::testing::Test {
    std::string root;  // XDG_DATA_HOME
    std::string drive; // root/ostra/drive_c
    std::string file;  // drive/e.mid

    void SetUp() override
    {
        char name[] = "/tmp/ostra-files.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        root = name;
        drive = root + "/ostra/drive_c";
        file = drive + "/e.mid";
        setenv("XDG_DATA_HOME", root.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("XDG_DATA_HOME");
        system(("chmod -R u+rwx '" + root + "' 2>/dev/null; rm -rf '" + root + "'").c_str());
    }
    void make_drive(int mode = 0700)
    {
        ASSERT_EQ(mkdir((root + "/ostra").c_str(), 0700), 0);
        ASSERT_EQ(mkdir(drive.c_str(), 0700), 0);
        ASSERT_EQ(chmod(drive.c_str(), mode), 0);
    }
};

} // namespace

// ---------------------------------------------------------------------------
// music_write

TEST_F(FilesTest, TheTuneLandsWholeInAnOwnerOnlyDriveDirectoryMadeForIt)
{
    mode_t old = umask(0); // even a permissive umask gives no rights to others
    music_write();
    umask(old);
    EXPECT_EQ(read_all(file), tune());
    EXPECT_EQ(read_all(file).size(), 7724u);
    EXPECT_EQ(mode_of(root + "/ostra"), 0700);
    EXPECT_EQ(mode_of(drive), 0700);
    EXPECT_EQ(mode_of(file) & 077, 0);
}

TEST_F(FilesTest, AnExistingFileOfAnyLengthIsReplacedByExactlyTheTune)
{
    make_drive();
    const std::vector<Bytes> before = {Bytes(20000, 'x'), Bytes(7725, 'y'), Bytes(3, 'z'),
                                       Bytes()};
    for (const Bytes &old : before) {
        write_all(file, old);
        music_write();
        EXPECT_EQ(read_all(file), tune()) << "over a file of " << old.size() << " bytes";
    }
    music_write(); // each run writes it anew, over its own last copy
    EXPECT_EQ(read_all(file), tune());
}

TEST_F(FilesTest, ASymbolicLinkAtThePlaceIsLeftAloneAndItsTargetUntouched)
{
    make_drive();
    std::string target = root + "/precious.txt";
    write_all(target, Bytes{'k', 'e', 'e', 'p'});
    ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
    music_write();
    EXPECT_EQ(read_all(target), (Bytes{'k', 'e', 'e', 'p'}));
    char link[4096] = {};
    ASSERT_GT(readlink(file.c_str(), link, sizeof(link) - 1), 0) << "still a link";
    EXPECT_EQ(std::string(link), target);

    // A link to nowhere makes no file at its target either.
    std::string nowhere = root + "/made-by-nobody.mid";
    ASSERT_EQ(unlink(file.c_str()), 0);
    ASSERT_EQ(symlink(nowhere.c_str(), file.c_str()), 0);
    music_write();
    EXPECT_FALSE(exists(nowhere));
}

TEST_F(FilesTest, WhereTheFileCannotBeWrittenNothingIsWrittenAndTheRunGoesOn)
{
    auto elsewhere = [&] { return root + "/elsewhere"; };
    struct Case {
        const char *what;
        std::function<void()> arrange;
        std::function<bool()> untouched; // what must hold afterwards
    };
    const std::vector<Case> cases = {
        {"the data home is a plain file",
         [&] { write_all(root + "/home-file", Bytes{'f'});
               setenv("XDG_DATA_HOME", (root + "/home-file").c_str(), 1); },
         [&] { return read_all(root + "/home-file") == Bytes{'f'}; }},
        {"the data home is on a file system nobody writes to",
         [&] { setenv("XDG_DATA_HOME", "/proc/ostra-nowhere", 1); },
         [&] { return !exists("/proc/ostra-nowhere"); }},
        {"the drive directory can be written by everyone",
         [&] { make_drive(0777); },
         [&] { return !exists(file); }},
        {"the drive directory can be written by its group",
         [&] { make_drive(0770); },
         [&] { return !exists(file); }},
        {"the drive directory is a link to another directory",
         [&] { ASSERT_EQ(mkdir((root + "/ostra").c_str(), 0700), 0);
               ASSERT_EQ(mkdir(elsewhere().c_str(), 0700), 0);
               ASSERT_EQ(symlink(elsewhere().c_str(), drive.c_str()), 0); },
         [&] { return !exists(elsewhere() + "/e.mid"); }},
        {"the drive directory is a plain file",
         [&] { ASSERT_EQ(mkdir((root + "/ostra").c_str(), 0700), 0);
               write_all(drive, Bytes{'d'}); },
         [&] { return read_all(drive) == Bytes{'d'}; }},
        {"a directory stands at the file's place",
         [&] { make_drive(); ASSERT_EQ(mkdir(file.c_str(), 0700), 0); },
         [&] { struct stat st; return lstat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode); }},
        {"a FIFO stands at the file's place (and nobody reads it)",
         [&] { make_drive(); ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); },
         [&] { struct stat st; return lstat(file.c_str(), &st) == 0 && S_ISFIFO(st.st_mode); }},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        c.arrange();
        alarm(10); // a hang in the write ends the test instead of blocking it
        music_write();
        alarm(0);
        EXPECT_TRUE(c.untouched()) << c.what;
        EXPECT_FALSE(exists(elsewhere() + "/e.mid")) << c.what;
    }
}

TEST_F(FilesTest, ADriveDirectoryOfAnotherUserIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can hand a directory to another user";
    make_drive();
    ASSERT_EQ(chown(drive.c_str(), 65534, 65534), 0);
    music_write();
    EXPECT_FALSE(exists(file));
}

TEST_F(FilesTest, ADriveDirectoryWithoutWriteRightsIsLeftAsItIs)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes through missing rights";
    make_drive(0500);
    music_write();
    EXPECT_FALSE(exists(file));
}

// ---------------------------------------------------------------------------
// The drive path mapping

TEST_F(FilesTest, DrivePathsMapToOneFileNameInTheirDrivesDirectory)
{
    const std::vector<std::pair<const char *, std::string>> mapped = {
        {"c:\\e.mid", root + "/ostra/drive_c/e.mid"},
        {"C:\\e.mid", root + "/ostra/drive_c/e.mid"},
        {"c:/e.mid", root + "/ostra/drive_c/e.mid"},
        {"d:\\Tune Two.MID", root + "/ostra/drive_d/Tune Two.MID"},
    };
    for (const auto &m : mapped) {
        char out[4096] = {};
        EXPECT_EQ(linux_drive_path(m.first, out, sizeof(out), 1), 1) << m.first;
        EXPECT_EQ(std::string(out), m.second) << m.first;
    }
    const char *refused[] = {"c:",          "c:\\",          "c:\\.",      "c:\\..",
                             "c:\\sub\\e.mid", "c:\\../e.mid", "c:e.mid",    "1:\\e.mid",
                             "cc:\\e.mid",  "@:\\e.mid",     "/tmp/e.mid", "e.mid"};
    for (const char *path : refused) {
        char out[4096] = {};
        EXPECT_EQ(linux_drive_path(path, out, sizeof(out), 1), 0) << path;
    }
    char out[4096];
    EXPECT_EQ(linux_drive_path(NULL, out, sizeof(out), 1), 0);
    char small[16];
    EXPECT_EQ(linux_drive_path("c:\\e.mid", small, sizeof(small), 1), 0) << "does not fit";
}

TEST_F(FilesTest, WithoutADataHomeTheDriveLivesUnderTheHomeDirectory)
{
    std::string old_home = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", root.c_str(), 1);
    const char *unset_or_relative[] = {NULL, "", "relative/dir"};
    for (const char *xdg : unset_or_relative) {
        if (xdg)
            setenv("XDG_DATA_HOME", xdg, 1);
        else
            unsetenv("XDG_DATA_HOME");
        char out[4096] = {};
        EXPECT_EQ(linux_drive_path("c:\\e.mid", out, sizeof(out), 1), 1);
        EXPECT_EQ(std::string(out), root + "/.local/share/ostra/drive_c/e.mid")
            << (xdg ? xdg : "unset");
    }
    EXPECT_EQ(mode_of(root + "/.local"), 0700);
    setenv("HOME", old_home.c_str(), 1);
}

TEST_F(FilesTest, ReadingAMissingDriveFileMakesNoDirectories)
{
    EXPECT_EQ(linux_fopen("c:\\e.mid", "rb"), nullptr);
    char out[4096];
    EXPECT_EQ(linux_drive_path("c:\\e.mid", out, sizeof(out), 0), 0);
    EXPECT_FALSE(exists(root + "/ostra"));
}

TEST_F(FilesTest, TheOtherModesWorkOnDriveFilesAndOtherPathsPassThrough)
{
    music_write();
    FILE *f = linux_fopen("c:\\e.mid", "rb");
    ASSERT_NE(f, nullptr);
    unsigned char head[4];
    EXPECT_EQ(fread(head, 1, 4, f), 4u);
    fclose(f);
    EXPECT_EQ(Bytes(head, head + 4), (Bytes{'M', 'T', 'h', 'd'}));

    f = linux_fopen("c:\\e.mid", "ab");
    ASSERT_NE(f, nullptr);
    fputc('!', f);
    fclose(f);
    EXPECT_EQ(read_all(file).size(), 7725u);
    EXPECT_EQ(read_all(file).back(), '!');

    f = linux_fopen("c:\\e.mid", "r+b");
    ASSERT_NE(f, nullptr);
    fputc('N', f);
    fclose(f);
    EXPECT_EQ(read_all(file)[0], 'N');

    std::string plain = root + "/plain.txt";
    f = linux_fopen(plain.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("text\n", f);
    fclose(f);
    EXPECT_EQ(read_all(plain), (Bytes{'t', 'e', 'x', 't', '\n'}));
    EXPECT_EQ(linux_fopen(NULL, "r"), nullptr);
    EXPECT_EQ(linux_fopen(plain.c_str(), NULL), nullptr);
}
