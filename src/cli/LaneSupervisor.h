#pragma once

#include <QProcess>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/LaneProtocol.h"
#include "cli/LaneConsole.h"
#include "cli/LaneState.h"
#include "cli/OperatorInput.h"

// Several radios at once: one lane process per line, each speaking the lane protocol, run side by side
// to their ends. A lane that crashes, hangs or sends what is not the protocol touches no other: each
// has its own process, pipes and state. Questions a lane asks go to the operator one at a time, naming
// the lane, while every lane goes on being served.
class LaneSupervisor {
public:
    struct Lane {
        std::string line;                    // the device path or "COMn", for the operator
        std::vector<std::string> arguments;  // the lane's command line after the program
    };

    // `lanesAnswer`: the lanes answer their questions themselves (--yes); their input is closed at once,
    // so a question nobody foresaw is answered Cancel.
    LaneSupervisor(std::string program, const std::vector<Lane>& lanes, LaneConsole& console,
                   OperatorInput& input, bool lanesAnswer);
    ~LaneSupervisor();
    LaneSupervisor(const LaneSupervisor&) = delete;
    LaneSupervisor& operator=(const LaneSupervisor&) = delete;

    // Starts every lane and returns once each has ended.
    const std::vector<LaneState>& Run();

    // How often the table is redrawn and the operator's input looked at, in milliseconds.
    static constexpr int kTickMs = 200;

private:
    struct Question {
        std::size_t lane;
        int id;
        bool yesNo;
    };
    struct Pipes {
        std::unique_ptr<QProcess> process;
        std::string output;
        std::string errors;
        std::optional<LaneProtocol::Event> outcome;
        int tenthShown = 0;
    };

    void Start(std::size_t lane);
    void ReadOutput(std::size_t lane);
    void ReadErrors(std::size_t lane);
    void KeepError(std::size_t lane, const std::string& line);
    void Finished(std::size_t lane, int exitCode, QProcess::ExitStatus status);
    void End(std::size_t lane, LaneState::Result result);
    void Handle(std::size_t lane, const LaneProtocol::Event& event);
    void ShowProgress(std::size_t lane, const LaneProtocol::Event& event);
    void AskOperator(std::size_t lane, const LaneProtocol::Event& question);
    void PromptNext();
    void TakeAnswer();
    bool AllEnded() const;
    static bool IsYesNo(const LaneProtocol::Event& question);

    std::string program_;
    LaneConsole& console_;
    OperatorInput& input_;
    bool lanesAnswer_;
    std::vector<Lane> specs_;
    std::function<void()> ended_;
    std::vector<LaneState> states_;
    std::vector<Pipes> pipes_;
    std::deque<Question> questions_;
    bool prompting_ = false;
};
