#pragma once

#include <string>

// A pseudo-terminal whose master the bench reads: a program opens the slave by its path as its serial
// port. The bench keeps the slave open too, so that the master does not report a hang-up before the
// program has opened it. Throws std::system_error when the system gives none.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    // Whether the program wrote something within `timeoutMs`.
    bool WaitForInput(int timeoutMs) const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
