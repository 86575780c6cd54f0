// fake_log.h -- one ordered log of text lines shared by the recording fakes
// of Win32, GL and the scene: every call becomes one line, its name and its
// key arguments ("glTranslatef 197.851562 28 248.726562"), so that a test
// compares a whole sequence with one table.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace fake {

extern std::vector<std::string> log;
extern bool logging;     // off: the fakes record nothing (a no-op GL for benchmarks)
extern size_t log_limit; // the fakes stop recording at this many lines

// Whether a call is to be recorded; the fakes ask before they format anything.
inline bool active() { return logging && log.size() < log_limit; }

// Empty arguments are left out.
void record(const std::string &name, std::initializer_list<std::string> args = {});

// Shortest text that reads back as the same float or double.
std::string num(float v);
std::string num(double v);
std::string num(int v);
std::string num(unsigned v);

// The lines whose name (first word) is one of `names`, in order.
std::vector<std::string> only(std::initializer_list<const char *> names);
// The lines from the first whose text starts with `prefix`, `count` of them.
std::vector<std::string> from(const std::string &prefix, size_t count);

} // namespace fake
