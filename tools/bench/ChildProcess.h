#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// One program the bench runs beside itself: started at construction with its standard output and error
// in files (or nowhere), killed and reaped at destruction if still running.
class ChildProcess {
public:
    struct Ending {
        int status = 0;  // as waitpid gives it
        rusage usage{};  // the child's own CPU time, from wait4
    };

    // An empty `output` or `errors` sends that stream to /dev/null. Throws std::system_error when the
    // program cannot be started.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& output = {}, const std::filesystem::path& errors = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the program to end.
    Ending Wait();
    // Sends `signal` and waits for the program to end.
    Ending Stop(int signal);

private:
    pid_t pid_ = -1;
};

// Seconds of CPU time in user and in system mode.
double Seconds(const timeval& time);
