#include "cli/LaneSupervisor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "cli/QuestionChoice.h"
#include "errors/ByteText.h"

namespace {

using Event = LaneProtocol::Event;
using Clock = LaneState::Clock;

constexpr std::size_t kMaxErrorLineBytes = 4096;
constexpr int kKillWaitMs = 2000;

// Qt's event loop and QProcess need an application object; corvida-cli makes one only for the lanes.
int gArgc = 1;
char gName[] = "corvida-cli";
char* gArgv[] = {gName, nullptr};

// The complete lines in `buffer`, taken out of it; a line longer than `maxBytes` is cut there.
std::vector<std::string> TakeLines(std::string& buffer, std::size_t maxBytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = buffer.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(buffer.substr(start, std::min(end - start, maxBytes)));
    buffer.erase(0, start);
    if (buffer.size() > maxBytes) {
        lines.push_back(buffer.substr(0, maxBytes));
        buffer.clear();
    }
    return lines;
}

QuestionChoice ChoiceOf(bool yesNo) {
    return QuestionChoice::Of(yesNo ? MessageButtons::YesNo : MessageButtons::OkCancel);
}

std::string BoxLine(const Event& event) {
    return event.caption.empty() ? event.text : event.caption + ": " + event.text;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::string Ending(const std::optional<Event>& outcome, int exitCode, QProcess::ExitStatus status) {
    if (status == QProcess::CrashExit)
        return "the lane crashed (signal " + std::to_string(exitCode) + ")" +
               (outcome ? ": " + outcome->text : std::string());
    if (!outcome)
        return "the lane ended with exit status " + std::to_string(exitCode) + " and no outcome";
    if (outcome->result == "success" && exitCode != 0)
        return "the lane said success but ended with exit status " + std::to_string(exitCode);
    return outcome->text;
}

LaneState::Result ResultOf(const std::optional<Event>& outcome, int exitCode, QProcess::ExitStatus status) {
    if (!outcome || status == QProcess::CrashExit)
        return LaneState::Result::Failed;
    if (outcome->result == "success" && exitCode == 0)
        return LaneState::Result::Succeeded;
    if (outcome->result == "cancelled")
        return LaneState::Result::Cancelled;
    return LaneState::Result::Failed;
}

}  // namespace

LaneSupervisor::LaneSupervisor(std::string program, const std::vector<Lane>& lanes, LaneConsole& console,
                               OperatorInput& input, bool lanesAnswer)
    : program_(std::move(program)), console_(console), input_(input), lanesAnswer_(lanesAnswer) {
    for (const Lane& lane : lanes) {
        LaneState state;
        state.line = ByteText::Escaped(lane.line);
        states_.push_back(state);
    }
    pipes_.resize(lanes.size());
    specs_ = lanes;
}

LaneSupervisor::~LaneSupervisor() {
    for (Pipes& pipes : pipes_) {
        if (pipes.process && pipes.process->state() != QProcess::NotRunning) {
            pipes.process->kill();
            pipes.process->waitForFinished(kKillWaitMs);
        }
    }
}

const std::vector<LaneState>& LaneSupervisor::Run() {
    std::optional<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr)
        application.emplace(gArgc, gArgv);
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, [this] {
        TakeAnswer();
        console_.Draw(states_, Clock::now());
    });
    ended_ = [&loop] { loop.quit(); };
    for (std::size_t lane = 0; lane < specs_.size(); ++lane)
        Start(lane);
    console_.Draw(states_, Clock::now());
    tick.start();
    if (!AllEnded())
        loop.exec();
    tick.stop();
    ended_ = nullptr;
    console_.Draw(states_, Clock::now());
    console_.Close();
    for (Pipes& pipes : pipes_)
        pipes.process.reset();
    return states_;
}

void LaneSupervisor::Start(std::size_t lane) {
    Pipes& pipes = pipes_[lane];
    pipes.process = std::make_unique<QProcess>();
    QProcess* process = pipes.process.get();
    QStringList arguments;
    for (const std::string& argument : specs_[lane].arguments)
        arguments << QString::fromStdString(argument);
    process->setProgram(QString::fromStdString(program_));
    process->setArguments(arguments);
    QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                     [this, lane] { ReadOutput(lane); });
    QObject::connect(process, &QProcess::readyReadStandardError, process, [this, lane] { ReadErrors(lane); });
    QObject::connect(
        process, &QProcess::finished, process,
        [this, lane](int exitCode, QProcess::ExitStatus status) { Finished(lane, exitCode, status); });
    QObject::connect(
        process, &QProcess::errorOccurred, process, [this, lane, process](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            states_[lane].text = "the lane could not be started: " + process->errorString().toStdString();
            End(lane, LaneState::Result::Failed);
        });
    states_[lane].started = Clock::now();
    process->start();
    if (lanesAnswer_)
        process->closeWriteChannel();
}

void LaneSupervisor::ReadOutput(std::size_t lane) {
    Pipes& pipes = pipes_[lane];
    const QByteArray bytes = pipes.process->readAllStandardOutput();
    pipes.output.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    for (const std::string& line : TakeLines(pipes.output, LaneProtocol::kMaxLineBytes)) {
        if (const std::optional<Event> event = LaneProtocol::DecodeEvent(line))
            Handle(lane, *event);
        else
            KeepError(lane, "not of the lane protocol: " + line);
    }
}

void LaneSupervisor::ReadErrors(std::size_t lane) {
    Pipes& pipes = pipes_[lane];
    const QByteArray bytes = pipes.process->readAllStandardError();
    pipes.errors.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    for (const std::string& line : TakeLines(pipes.errors, kMaxErrorLineBytes)) {
        KeepError(lane, line);
        if (!console_.Terminal())
            console_.Print(states_[lane], line);
    }
}

void LaneSupervisor::KeepError(std::size_t lane, const std::string& line) {
    std::deque<std::string>& tail = states_[lane].errorTail;
    tail.push_back(ByteText::Escaped(line));
    if (tail.size() > LaneState::kErrorTailLines)
        tail.pop_front();
}

void LaneSupervisor::Handle(std::size_t lane, const Event& event) {
    LaneState& state = states_[lane];
    switch (event.kind) {
        case Event::Kind::Kit:
            if (!console_.Terminal())
                console_.Print(state, "kit " + event.title);
            break;
        case Event::Kind::Radio:
            state.serial = event.serial;
            state.release = event.release;
            console_.Print(state, "radio serial " + event.serial + ", release " + event.release + ", model " +
                                      event.model);
            break;
        case Event::Kind::Phase:
            state.phase = event.text;
            if (!console_.Terminal())
                console_.Print(state, event.text);
            break;
        case Event::Kind::Progress:
            ShowProgress(lane, event);
            break;
        case Event::Kind::Box:
            state.phase = FirstLine(event.text);
            console_.Print(state, BoxLine(event));
            break;
        case Event::Kind::Question:
            state.phase = FirstLine(event.text);
            console_.Print(state, BoxLine(event));
            if (!event.answered.empty())
                console_.Print(
                    state, std::string(ChoiceOf(IsYesNo(event)).prompt) + " " + event.answered + " (--yes)");
            else
                AskOperator(lane, event);
            break;
        case Event::Kind::Outcome:
            pipes_[lane].outcome = event;
            break;
    }
}

void LaneSupervisor::ShowProgress(std::size_t lane, const Event& event) {
    LaneState& state = states_[lane];
    Pipes& pipes = pipes_[lane];
    if (event.done < state.done || event.total != state.total)
        pipes.tenthShown = 0;
    state.done = event.done;
    state.total = event.total;
    const int percent = event.total > 0 ? event.done * 100 / event.total : 0;
    // Without a terminal a line per new tenth, as for one radio.
    if (console_.Terminal() || percent / 10 == pipes.tenthShown)
        return;
    pipes.tenthShown = percent / 10;
    console_.Print(state, event.text + ": " + std::to_string(percent) + "%");
}

bool LaneSupervisor::IsYesNo(const Event& question) {
    return !question.choices.empty() && question.choices.front() == "yes";
}

void LaneSupervisor::AskOperator(std::size_t lane, const Event& question) {
    questions_.push_back({lane, question.id, IsYesNo(question)});
    if (!prompting_)
        PromptNext();
}

void LaneSupervisor::PromptNext() {
    if (questions_.empty())
        return;
    const Question& question = questions_.front();
    console_.Prompt(states_[question.lane], ChoiceOf(question.yesNo).prompt);
    prompting_ = true;
    TakeAnswer();
}

void LaneSupervisor::TakeAnswer() {
    if (!prompting_)
        return;
    const Question question = questions_.front();
    const QuestionChoice choice = ChoiceOf(question.yesNo);
    std::optional<MessageResult> answer;
    while (!answer) {
        const std::optional<std::string> line = input_.Take();
        if (!line)
            break;
        answer = choice.Read(*line);
        if (!answer)
            console_.Prompt(states_[question.lane], choice.prompt);
    }
    // The end of the input answers Cancel or No, as for one radio.
    if (!answer && input_.Ended())
        answer = choice.no;
    if (!answer)
        return;
    const std::string reply = LaneProtocol::Encode(LaneProtocol::Answer{question.id, choice.WordOf(*answer)});
    pipes_[question.lane].process->write(reply.data(), static_cast<qint64>(reply.size()));
    questions_.pop_front();
    console_.EndPrompt();
    prompting_ = false;
    PromptNext();
}

void LaneSupervisor::Finished(std::size_t lane, int exitCode, QProcess::ExitStatus status) {
    ReadOutput(lane);
    ReadErrors(lane);
    Pipes& pipes = pipes_[lane];
    if (!pipes.errors.empty())
        KeepError(lane, std::exchange(pipes.errors, {}));
    states_[lane].text = Ending(pipes.outcome, exitCode, status);
    End(lane, ResultOf(pipes.outcome, exitCode, status));
}

void LaneSupervisor::End(std::size_t lane, LaneState::Result result) {
    LaneState& state = states_[lane];
    if (state.ended)
        return;
    state.ended = Clock::now();
    state.result = result;
    const bool asked = prompting_ && questions_.front().lane == lane;
    std::erase_if(questions_, [lane](const Question& question) { return question.lane == lane; });
    if (asked) {
        console_.EndPrompt();
        prompting_ = false;
        PromptNext();
    }
    console_.Print(state, std::string(LaneState::ResultName(result)) + ": " + state.text);
    if (AllEnded() && ended_)
        ended_();
}

bool LaneSupervisor::AllEnded() const {
    return std::all_of(states_.begin(), states_.end(), [](const LaneState& state) { return state.ended; });
}
