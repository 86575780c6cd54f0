// private_home.cpp -- linked into every test program: the tune's drive
// directory goes to a temporary data home of the test's own, never to the
// user's ~/.local/share, and is removed when the program ends.
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

struct PrivateHome {
    char dir[64] = "/tmp/ostra-test-home.XXXXXX";
    bool own = false;
    PrivateHome()
    {
        // A death test's child runs the program again, and may end without
        // its destructors: it keeps its parent's home, which the parent removes.
        const char *home = getenv("XDG_DATA_HOME");
        if (home && strncmp(home, dir, strlen(dir) - 6) == 0)
            return;
        if ((own = mkdtemp(dir) != NULL))
            setenv("XDG_DATA_HOME", dir, 1);
    }
    ~PrivateHome()
    {
        if (own)
            system(("chmod -R u+rwx " + std::string(dir) + "; rm -rf " + dir).c_str());
    }
} private_home;

} // namespace
