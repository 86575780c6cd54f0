// seeds.cpp -- writes the fuzz targets' first inputs into FOLDER/smf and
// FOLDER/mci: the tune, the small and the damaged files the tests use, and
// the program's three command strings, the open, a play to the end and a
// second play with each file behind them.
#include "music/music.h"

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

#undef fopen // the seeds are written where they are named, not on a drive

static std::string folder;

static void seed(const std::string &name, const std::string &bytes)
{
    FILE *f = fopen((folder + "/" + name).c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
        perror(name.c_str());
        exit(1);
    }
}

// The MCI tests' tune, one piano note, with `damage` written over it at `at`.
static std::string note(size_t at = 0, const std::string &damage = "")
{
    std::string b("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\x17\0\xFF\x51\3\7\xA1\x20\0\xC0\0\0\x90"
                  "\x3C\x64\x83\x60\x80\x3C\x40\0\xFF\x2F\0", 45);
    return b.replace(at, damage.size(), damage);
}

// The reader's edge cases of the tune test: one track of the given bytes.
static std::string one_track(const std::string &track)
{
    return std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21) + char(track.size()) + track;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const struct { const char *name; std::string bytes; } files[] = {
        {"tune", std::string((const char *)music_data, MUSIC_SIZE)},
        {"note", note()},
        {"not_smf", note(0, "X")},
        {"format_2", note(9, "\2")},
        {"zero_tempo", note(26, std::string(3, '\0'))},
        {"time_code", note(12, "\xE7")},
        {"four_byte_delta", one_track(std::string("\xFF\xFF\xFF\x7F\xFF\x2F\0", 7))},
        {"five_byte_delta", one_track(std::string("\x81\x80\x80\x80\0\xFF\x2F\0", 8))},
        {"cut_after_delta", one_track(std::string("\0\x90\x3C\x40\0", 5))},
    };
    for (const char *sub : {"", "/smf", "/mci"})
        mkdir((argv[1] + std::string(sub)).c_str(), 0755);
    folder = argv[1] + std::string("/smf");
    for (const auto &f : files)
        seed(f.name, f.bytes);
    folder = argv[1] + std::string("/mci");
    seed("close", "close all");
    seed("start", "close all\nopen c:\\e.mid type sequencer alias MUSIC\nplay MUSIC from 0 notify");
    for (const auto &f : files)
        seed(std::string("open_") + f.name, std::string("open c:\\e.mid type sequencer alias MUSIC\n"
                                                        "play MUSIC from 0 notify\nend\nplay MUSIC notify") +
                                                 '\0' + f.bytes);
    return 0;
}
