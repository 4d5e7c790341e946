#pragma once

#include <ostream>

#include "KitConfig.h"

// Prints a deciphered kit configuration for people: the version block, the product line, and per
// radio group its boot-code files, identities, verification entries, model sets, matching rows and
// patch sections with each opcode named.
class KitPrinter {
public:
    explicit KitPrinter(std::ostream& out) : out_(out) {}

    void Print(const KitConfig::Kit& kit);

private:
    void PrintGroup(std::size_t g, const KitConfig::RadioGroup& group, bool firstGroup);
    void PrintVerification(const KitConfig::RadioGroup& group);
    void PrintModels(const KitConfig::RadioGroup& group);
    void PrintMatching(const KitConfig::RadioGroup& group);
    void PrintPatches(const KitConfig::RadioGroup& group);

    std::ostream& out_;
};
