// Finds the query commands a serial printer answers in the byte stream it receives, also when
// a command is split across reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class QuestionScanner {
public:
    // The questions completed by these bytes, in order, each named by the letters between
    // its line feeds ("URS", "URLi", "URLm", "URHi", "URHm", "UQ").
    std::vector<std::string> Feed(std::string_view bytes);
    // A new session starts with no half-received command.
    void Reset() { m_tail.clear(); }

private:
    std::string m_tail;
};
