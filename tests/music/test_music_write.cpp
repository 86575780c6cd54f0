// test_music_write.cpp -- music_write through the program's fopen into the drive
// directory, on the real file system under a temporary XDG_DATA_HOME.
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
    unsigned char block[4096];
    ssize_t got;
    while (fd >= 0 && (got = read(fd, block, sizeof(block))) > 0)
        out.insert(out.end(), block, block + got);
    if (fd >= 0)
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

// The permission bits of what stands at `path` (links not followed), or -1.
int mode_of(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? (int)(st.st_mode & 07777) : -1;
}

struct FilesTest : ::testing::Test {
    std::string root;  // XDG_DATA_HOME
    std::string drive; // root/ostra/drive_c
    std::string file;  // drive/e.mid
    const std::string saved_home = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
    const Bytes tune = Bytes(music_data, music_data + MUSIC_SIZE);

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
        setenv("XDG_DATA_HOME", saved_home.c_str(), 1);
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

TEST_F(FilesTest, TheTuneLandsOwnerOnlyAndReplacesAFileOfAnyLength)
{
    mode_t old = umask(0); // even a permissive umask gives no rights to others
    music_write();
    umask(old);
    EXPECT_EQ(read_all(file), tune);
    EXPECT_EQ(mode_of(root + "/ostra"), 0700);
    EXPECT_EQ(mode_of(drive), 0700);
    EXPECT_EQ(mode_of(file) & 077, 0);
    for (size_t size : {20000, 7725, 3, 0}) {
        write_all(file, Bytes(size, 'x'));
        music_write();
        Bytes now = read_all(file);
        EXPECT_EQ(now.size(), 7724u) << "over a file of " << size << " bytes";
        EXPECT_EQ(now, tune) << "over a file of " << size << " bytes";
    }
}

TEST_F(FilesTest, ASymbolicLinkAtThePlaceIsLeftAloneAndItsTargetUntouched)
{
    make_drive();
    std::string target = root + "/precious.txt", nowhere = root + "/made-by-nobody.mid";
    write_all(target, Bytes{'k', 'e', 'e', 'p'});
    ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
    music_write();
    EXPECT_EQ(read_all(target), (Bytes{'k', 'e', 'e', 'p'}));
    char link[4096] = {};
    ASSERT_GT(readlink(file.c_str(), link, sizeof(link) - 1), 0) << "still a link";
    EXPECT_EQ(std::string(link), target);
    // A link to nowhere makes no file at its target either.
    ASSERT_EQ(unlink(file.c_str()), 0);
    ASSERT_EQ(symlink(nowhere.c_str(), file.c_str()), 0);
    music_write();
    EXPECT_EQ(mode_of(nowhere), -1);
}

TEST_F(FilesTest, WhereTheFileCannotBeWrittenNothingIsWrittenAndTheRunGoesOn)
{
    // Paths in the fresh data home that each case gets.
    auto home_file = [&] { return root + "/home-file"; };
    auto elsewhere = [&] { return root + "/elsewhere"; };
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::function<bool()> untouched;
    } cases[] = {
        {"the data home is a plain file",
         [&] { write_all(home_file(), Bytes{'f'});
               setenv("XDG_DATA_HOME", home_file().c_str(), 1); },
         [&] { return read_all(home_file()) == Bytes{'f'}; }},
        {"the data home is on a file system nobody writes to",
         [&] { setenv("XDG_DATA_HOME", "/proc/ostra-nowhere", 1); },
         [&] { return mode_of("/proc/ostra-nowhere") == -1; }},
        {"others can write into the drive directory",
         [&] { make_drive(0777); }, [&] { return mode_of(file) == -1; }},
        {"its group can write into the drive directory",
         [&] { make_drive(0770); }, [&] { return mode_of(file) == -1; }},
        {"the drive directory is another user's, or closed to its owner",
         [&] { make_drive(0500);
               if (geteuid() == 0) { ASSERT_EQ(chown(drive.c_str(), 65534, 65534), 0); } },
         [&] { return mode_of(file) == -1; }},
        {"the drive directory is a link to another directory",
         [&] { ASSERT_EQ(mkdir((root + "/ostra").c_str(), 0700), 0);
               ASSERT_EQ(mkdir(elsewhere().c_str(), 0700), 0);
               ASSERT_EQ(symlink(elsewhere().c_str(), drive.c_str()), 0); },
         [&] { return mode_of(elsewhere() + "/e.mid") == -1; }},
        {"a directory stands at the file's place",
         [&] { make_drive(); ASSERT_EQ(mkdir(file.c_str(), 0700), 0); },
         [&] { struct stat st; return lstat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode); }},
        {"a FIFO that nobody reads stands at the file's place",
         [&] { make_drive(); ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); },
         [&] { struct stat st; return lstat(file.c_str(), &st) == 0 && S_ISFIFO(st.st_mode); }},
    };
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        c.arrange();
        alarm(10); // a hang in the write ends the test instead of blocking it
        music_write();
        alarm(0);
        EXPECT_TRUE(c.untouched()) << c.what;
    }
}

// Drive paths name one file in their drive's directory, and nothing else.
TEST_F(FilesTest, DrivePathsMapToOneFileNameInTheirDrivesDirectory)
{
    EXPECT_EQ(linux_fopen("c:\\e.mid", "rb"), nullptr);
    EXPECT_EQ(mode_of(root + "/ostra"), -1) << "a read makes no directories";
    const struct {
        const char *path;
        const char *mapped; // below the data home; NULL: refused
    } table[] = {
        {"c:\\e.mid", "/ostra/drive_c/e.mid"}, {"C:\\e.mid", "/ostra/drive_c/e.mid"},
        {"c:/e.mid", "/ostra/drive_c/e.mid"}, {"d:\\Tune Two.MID", "/ostra/drive_d/Tune Two.MID"},
        {"c:", NULL}, {"c:\\", NULL}, {"c:\\.", NULL}, {"c:\\..", NULL},
        {"c:\\sub\\e.mid", NULL}, {"c:\\../e.mid", NULL}, {"c:e.mid", NULL}, {"1:\\e.mid", NULL},
        {"cc:\\e.mid", NULL}, {"@:\\e.mid", NULL}, {"/tmp/e.mid", NULL}, {"e.mid", NULL},
        {NULL, NULL},
    };
    for (const auto &row : table) {
        char out[4096] = {};
        EXPECT_EQ(linux_drive_path(row.path, out, sizeof(out), 1), row.mapped != NULL)
            << (row.path ? row.path : "NULL");
        if (row.mapped) {
            EXPECT_EQ(std::string(out), root + row.mapped);
        }
    }
    char small[16];
    EXPECT_EQ(linux_drive_path("c:\\e.mid", small, sizeof(small), 1), 0) << "does not fit";

    // Without an absolute data home the drive lives under the home directory.
    std::string old_home = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", root.c_str(), 1);
    for (const char *xdg : {"", "relative/dir"}) {
        setenv("XDG_DATA_HOME", xdg, 1);
        char out[4096] = {};
        EXPECT_EQ(linux_drive_path("c:\\e.mid", out, sizeof(out), 1), 1);
        EXPECT_EQ(std::string(out), root + "/.local/share/ostra/drive_c/e.mid") << xdg;
    }
    EXPECT_EQ(mode_of(root + "/.local"), 0700);
    setenv("HOME", old_home.c_str(), 1);
}
