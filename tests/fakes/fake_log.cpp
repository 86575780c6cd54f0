// fake_log.cpp -- the shared call log of the recording fakes.
#include "fakes/fake_log.h"

#include <charconv>
#include <stdio.h>

namespace fake {

std::vector<std::string> log;
bool logging = true;
size_t log_limit = (size_t)-1;

template <typename T> static std::string shortest(T v)
{
    char text[400];
    return std::string(text, std::to_chars(text, text + sizeof(text), v, std::chars_format::fixed).ptr);
}
std::string num(float v) { return shortest(v); }
std::string num(double v) { return shortest(v); }

std::string hex(unsigned long v)
{
    char text[24];
    return std::string(text, (size_t)snprintf(text, sizeof(text), "0x%lX", v));
}

std::vector<std::string> only(std::initializer_list<const char *> names)
{
    std::vector<std::string> out;
    for (const std::string &line : log)
        for (const char *n : names)
            if (line.compare(0, line.find(' '), n) == 0)
                out.push_back(line);
    return out;
}

std::vector<std::string> from(const std::string &prefix, size_t count)
{
    size_t i = 0;
    while (i < log.size() && log[i].rfind(prefix, 0) != 0)
        i++;
    return std::vector<std::string>(log.begin() + (long)i, log.begin() + (long)std::min(log.size(), i + count));
}

} // namespace fake
