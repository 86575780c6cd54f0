// scratch.h -- a folder of the test's own under /tmp, removed with everything
// in it when it goes, and whole files read and written; the one-note tune
// the sequencer tests open.
#pragma once

#include <stdlib.h>
#include <fstream>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

struct Scratch {
    std::string path;
    Scratch() : path("/tmp/ostra-test.XXXXXX") { path = mkdtemp(path.data()) ? path : "/nonexistent"; }
    ~Scratch() { system(("chmod -R u+rwx " + path + "; rm -rf " + path).c_str()); }
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

inline Bytes read_bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
template <typename T> void write_bytes(const std::string &path, const T &bytes)
{
    std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

// One piano note from tick 0 to 480 (45 bytes): at 120 beats a minute, 500 ms.
inline const std::string one_note("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\x17\0\xFF\x51\3\7\xA1\x20\0\xC0\0\0\x90"
                                  "\x3C\x64\x83\x60\x80\x3C\x40\0\xFF\x2F\0", 45);
