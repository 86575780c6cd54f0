// private_home.cpp -- linked into every test program: the tune's drive
// directory goes to a temporary data home of the test's own, never to the
// user's ~/.local/share, and is removed when the program ends.
#include <stdlib.h>
#include <string>

namespace {

struct PrivateHome {
    char dir[64] = "/tmp/ostra-test-home.XXXXXX";
    PrivateHome()
    {
        if (mkdtemp(dir))
            setenv("XDG_DATA_HOME", dir, 1);
    }
    ~PrivateHome() { system(("chmod -R u+rwx " + std::string(dir) + "; rm -rf " + dir).c_str()); }
} private_home;

} // namespace
