// fake_log.h -- one ordered log of text lines shared by the recording fakes
// of Win32, GL and the scene: every call becomes one line, its name and its
// key arguments ("glTranslatef 197.85156 28 248.72656", floats as the
// shortest text that reads back), so that a test compares a sequence with
// one table.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace fake {

extern std::vector<std::string> log;
extern bool logging;     // off: the fakes record nothing (a no-op GL for benchmarks)
extern size_t log_limit; // the fakes stop recording at this many lines

std::string num(float v);
std::string num(double v);
inline std::string num(int v) { return std::to_string(v); }
inline std::string num(unsigned v) { return std::to_string(v); }
inline std::string num(const std::string &v) { return v; }
inline std::string num(const char *v) { return v; }
std::string hex(unsigned long v); // "0x1F"

// Records "name arg arg..."; empty arguments are left out, and nothing is
// formatted when nothing is recorded.
template <typename... A> void record(const char *name, const A &...args)
{
    if (!logging || log.size() >= log_limit)
        return;
    std::string line = name;
    for (const std::string &a : std::initializer_list<std::string>{num(args)...})
        if (!a.empty())
            line += " " + a;
    log.push_back(line);
}

// The lines whose name (first word) is one of `names`, in order.
std::vector<std::string> only(std::initializer_list<const char *> names);
// `count` lines from the first that starts with `prefix`.
std::vector<std::string> from(const std::string &prefix, size_t count);

} // namespace fake
