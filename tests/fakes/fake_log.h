// fake_log.h -- one ordered log shared by the recording fakes, so a test can
// check the interleaving of Win32 calls, scene calls and music commands.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace fake {

extern std::vector<std::string> log;

void record(const std::string &line);

// The log entries whose call name (the text before '(') is one of `names`.
std::vector<std::string> only(std::initializer_list<const char *> names);

} // namespace fake
