#include "cli/ConsoleProgress.h"

#include <unistd.h>

#include "errors/ByteText.h"

namespace {

constexpr int kBarWidth = 40;

// A message's lines joined on one, for the bar line and for logs; escaped, as texts may carry what the
// radio said.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    return ByteText::Escaped(line);
}

}  // namespace

ConsoleProgress::ConsoleProgress(std::ostream& out, bool terminal)
    : out_(out), terminal_(terminal), model_(*this), previous_(Notifications::Installed()) {
    Notifications::Install(this);
}

ConsoleProgress::~ConsoleProgress() {
    EndBarLine();
    Notifications::Install(previous_);
}

bool ConsoleProgress::ErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::string ConsoleProgress::BareCaption(const std::string& caption) {
    const std::size_t bracket = caption.rfind(" [");
    return bracket == std::string::npos ? caption : caption.substr(0, bracket);
}

bool ConsoleProgress::OpenWindow() {
    caption_.clear();
    message_.clear();
    percent_ = -1;
    closing_ = false;
    return true;
}

void ConsoleProgress::CloseWindow() {
    EndBarLine();
}

void ConsoleProgress::ShowCaption(const std::string& caption) {
    caption_ = OneLine(BareCaption(caption));
}

void ConsoleProgress::ShowMessage(const std::string& message) {
    // The model clears the message and the position just before it closes the window; on the console
    // the last bar stays standing as the record of how far the step went.
    if (message.empty()) {
        closing_ = true;
        return;
    }
    if (message == message_)
        return;
    message_ = message;
    // A window's placeholder says nothing on the console, where the caption heads the bar.
    if (message == ProgressModel::kInitialMessage)
        return;
    EndBarLine();
    out_ << OneLine(message) << '\n' << std::flush;
}

void ConsoleProgress::ShowPosition(int position, int lower, int upper) {
    if (closing_)
        return;
    const long long range = static_cast<long long>(upper) - lower;
    const int percent = range > 0 ? static_cast<int>(position * 100LL / range) : 0;
    if (terminal_) {
        if (percent != percent_ || !barDrawn_) {
            percent_ = percent;
            DrawBar();
        }
        return;
    }
    // Without a terminal a line per tenth; the opening position 0 is not worth a line.
    if (percent / 10 != percent_ / 10 && position > lower)
        out_ << caption_ << ": " << percent << "%\n" << std::flush;
    percent_ = percent;
}

void ConsoleProgress::ShowStatusPaneText(const std::string& text) {
    const bool changed = text != statusText_;
    statusText_ = text;
    if (!changed || text.empty())
        return;
    EndBarLine();
    out_ << OneLine(text) << '\n' << std::flush;
}

void ConsoleProgress::DrawBar() {
    const int filled = percent_ * kBarWidth / 100;
    out_ << '\r' << caption_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << percent_ << "%"
         << std::flush;
    barDrawn_ = true;
}

void ConsoleProgress::EndBarLine() {
    if (!barDrawn_)
        return;
    out_ << '\n' << std::flush;
    barDrawn_ = false;
}
