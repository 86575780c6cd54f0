// fake_log.cpp -- the shared call log of the recording fakes.
#include "fakes/fake_log.h"

#include <charconv>

namespace fake {

std::vector<std::string> log;
bool logging = true;
size_t log_limit = (size_t)-1;

void record(const std::string &name, std::initializer_list<std::string> args)
{
    if (!active())
        return;
    std::string line = name;
    for (const std::string &a : args)
        if (!a.empty())
            line += " " + a;
    log.push_back(line);
}

// Fixed notation, as few digits as read back exactly.
template <typename T> static std::string shortest(T v)
{
    char text[400];
    auto end = std::to_chars(text, text + sizeof(text), v, std::chars_format::fixed).ptr;
    return std::string(text, end);
}

std::string num(float v) { return shortest(v); }
std::string num(double v) { return shortest(v); }
std::string num(int v) { return std::to_string(v); }
std::string num(unsigned v) { return std::to_string(v); }

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
    for (size_t i = 0; i < log.size(); i++)
        if (log[i].rfind(prefix, 0) == 0)
            return std::vector<std::string>(log.begin() + (long)i,
                                            log.begin() + (long)std::min(log.size(), i + count));
    return {};
}

} // namespace fake
