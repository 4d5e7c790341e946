#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "errors/TextFormat.h"

// One thing the program would stumble over in a kit: the file, the line (0 = the file as a whole)
// and what is wrong.
struct KitProblem {
    std::string file;
    std::uint32_t line = 0;
    std::string message;

    // "file:line: message", or "file: message" without a line.
    std::string ToString() const;
};

class KitProblems {
public:
    void Add(const std::string& file, std::uint32_t line, const char* format, ...) CORVIDA_PRINTF(4, 5);
    const std::vector<KitProblem>& All() const { return problems_; }
    bool Empty() const { return problems_.empty(); }

private:
    std::vector<KitProblem> problems_;
};
