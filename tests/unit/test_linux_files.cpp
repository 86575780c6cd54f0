// test_linux_files.cpp -- where Linux keeps drive c, through the program's
// fopen on the real file system, under a data home of each test's own: the
// tune written whole and owner-only, never through a link, and nothing
// written where it cannot be made safely.
#include "fakes/scratch.h"
#include "music/music.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The permission bits of what stands at `path` (links not followed), or -1.
int mode_of(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? (int)(st.st_mode & 07777) : -1;
}

const Bytes keep = {'k', 'e', 'e', 'p'};

struct DriveFileTest : ::testing::Test {
    std::string root, ostra, drive, file; // the data home, its ostra/drive_c/e.mid
    const Bytes tune = Bytes(music_data, music_data + MUSIC_SIZE);

    std::unique_ptr<Scratch> home;
    void SetUp() override
    {
        home = std::make_unique<Scratch>(), root = home->path, ostra = root + "/ostra", drive = ostra + "/drive_c";
        file = drive + "/e.mid";
        setenv("XDG_DATA_HOME", root.c_str(), 1);
    }
    void TearDown() override { home.reset(); }
    void make_drive(int mode = 0700)
    {
        ASSERT_TRUE(mkdir(ostra.c_str(), 0700) == 0 && mkdir(drive.c_str(), mode) == 0 &&
                    chmod(drive.c_str(), mode) == 0);
    }
};

} // namespace

TEST_F(DriveFileTest, TheTuneLandsOwnerOnlyAndReplacesAFileOfAnyLength)
{
    mode_t old = umask(0); // even a permissive umask gives others no rights
    music_write();
    umask(old);
    EXPECT_EQ(read_bytes(file), tune);
    EXPECT_TRUE(mode_of(ostra) == 0700 && mode_of(drive) == 0700 && (mode_of(file) & 077) == 0);
    for (size_t size : {20000, 7725, 3}) {
        write_bytes(file, Bytes(size, 'x'));
        music_write();
        EXPECT_EQ(read_bytes(file), tune) << "over a file of " << size << " bytes";
    }
}

// Each case arranges the place, then the tune is written (or not), and
// whatever was there before stays as it was.
TEST_F(DriveFileTest, NothingIsWrittenThroughALinkOrWhereOthersCouldInterfere)
{
    const std::string elsewhere = "/elsewhere", precious = "/precious";
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::function<bool()> untouched;
    } cases[] = {
        {"a symbolic link at the file's place", [&] { make_drive();
             write_bytes(root + precious, keep); symlink((root + precious).c_str(), file.c_str()); },
         [&] { return read_bytes(root + precious) == keep && mode_of(file) == 0777; }},
        {"a hard link at the file's place", [&] { make_drive();
             write_bytes(root + precious, keep); link((root + precious).c_str(), file.c_str()); },
         [&] { return read_bytes(root + precious) == keep; }},
        {"the folder above the drive a link", [&] { mkdir((root + elsewhere).c_str(), 0700);
             symlink((root + elsewhere).c_str(), ostra.c_str()); },
         [&] { return mode_of(root + elsewhere + "/drive_c") == -1; }},
        {"the drive directory a link", [&] { mkdir(ostra.c_str(), 0700);
             mkdir((root + elsewhere).c_str(), 0700); symlink((root + elsewhere).c_str(), drive.c_str()); },
         [&] { return mode_of(root + elsewhere + "/e.mid") == -1; }},
        {"others can write into the drive directory", [&] { make_drive(0707); },
         [&] { return mode_of(file) == -1; }},
        {"its group can write into the folder above", [&] { make_drive();
             chmod(ostra.c_str(), 0770); }, [&] { return mode_of(file) == -1; }},
        {"a directory at the file's place", [&] { make_drive(); mkdir(file.c_str(), 0700); },
         [&] { return mode_of(file) == 0700; }},
        {"a FIFO nobody reads at the file's place", [&] { make_drive(); mkfifo(file.c_str(), 0600); },
         [&] { return mode_of(file) == 0600; }},
        {"the data home a plain file", [&] { write_bytes(root + precious, keep);
             setenv("XDG_DATA_HOME", (root + precious).c_str(), 1); },
         [&] { return read_bytes(root + precious) == keep; }},
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

// The data home is $HOME/.local/share where $XDG_DATA_HOME is not absolute.
TEST_F(DriveFileTest, ARelativeDataHomeIsPassedOver)
{
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", "relative/home", 1);
    music_write();
    EXPECT_EQ(read_bytes(root + "/.local/share/ostra/drive_c/e.mid"), tune);
}
