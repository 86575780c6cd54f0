// private_home.cpp -- linked into every test program: the drive directory of
// the tune ("c:\e.mid") goes to a temporary data home of the test's own, never
// to the user's ~/.local/share, and is removed when the program ends.
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

char home[] = "/tmp/ostra-test-home.XXXXXX";
bool made;

int remove_entry(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

struct PrivateHome {
    PrivateHome()
    {
        made = mkdtemp(home) != NULL;
        if (made)
            setenv("XDG_DATA_HOME", home, 1);
    }
    ~PrivateHome()
    {
        if (made)
            nftw(home, remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    }
} private_home;

} // namespace
