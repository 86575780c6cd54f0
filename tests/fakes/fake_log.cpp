// fake_log.cpp -- the shared call log of the recording fakes.
#include "fakes/fake_log.h"

namespace fake {

std::vector<std::string> log;

void record(const std::string &line)
{
    log.push_back(line);
}

std::vector<std::string> only(std::initializer_list<const char *> names)
{
    std::vector<std::string> out;
    for (const std::string &line : log) {
        std::string name = line.substr(0, line.find('('));
        for (const char *n : names)
            if (name == n)
                out.push_back(line);
    }
    return out;
}

} // namespace fake
