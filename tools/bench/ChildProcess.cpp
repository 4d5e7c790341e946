#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

extern char** environ;

namespace {

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    void NothingIn() { posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0); }
    void Redirect(int fd, const std::filesystem::path& file) {
        const std::string path = file.empty() ? "/dev/null" : file.string();
        posix_spawn_file_actions_addopen(&actions_, fd, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& output, const std::filesystem::path& errors) {
    SpawnActions actions;
    actions.NothingIn();  // radiosim takes commands there
    actions.Redirect(STDOUT_FILENO, output);
    actions.Redirect(STDERR_FILENO, errors);
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int error = posix_spawn(&pid_, argv[0], actions.Get(), nullptr, argv.data(), environ);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "cannot start " + program.string());
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0)
        Stop(SIGKILL);
}

ChildProcess::Ending ChildProcess::Wait() {
    Ending ending;
    while (wait4(pid_, &ending.status, 0, &ending.usage) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return ending;
}

ChildProcess::Ending ChildProcess::Stop(int signal) {
    kill(pid_, signal);
    return Wait();
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}
