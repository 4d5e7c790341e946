#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Why a device path may refuse to serve as the radio's port, found without opening it (opening a serial
// device moves its control lines): whether it exists, whether we may read and write it, whether it is a
// terminal, and which other programs hold it open.
class DeviceCheck {
public:
    struct Holder {
        int pid = 0;
        std::string name;  // the program's name as /proc gives it

        bool operator==(const Holder&) const = default;
    };

    struct Facts {
        bool exists = false;
        bool accessible = false;  // we may open it for reading and writing
        bool terminal = false;    // a character device of the terminal kind: a serial port or pseudo-terminal
        bool ownTerminal = false;     // the terminal this program runs in, which is never taken as a port
        unsigned mode = 0;            // its permission bits
        std::string group;            // the name of the group that owns it
        bool groupMayUse = false;     // its mode lets that group read and write it
        bool inGroup = false;         // this process has that group
        bool listedInGroup = false;   // the group database names our user, whether or not this login has it
        std::vector<Holder> holders;  // other processes with it open, as far as /proc shows them
    };

    // The system's folders unless a test gives its own.
    explicit DeviceCheck(std::filesystem::path procDir = "/proc", std::filesystem::path sysDir = "/sys");

    Facts Examine(const std::string& path) const;

private:
    bool IsTerminal(unsigned major, unsigned minor) const;
    std::vector<Holder> HoldersOf(unsigned long long device) const;

    std::filesystem::path procDir_;
    std::filesystem::path sysDir_;
};
