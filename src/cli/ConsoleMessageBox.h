#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "cli/QuestionChoice.h"
#include "errors/MessageBoxService.h"

// corvida-cli's message box: the caption and text on the console. A question (OK/Cancel, Yes/No) waits
// for an answer line on the input; the end of the input answers Cancel or No, so a script without
// answers never says yes by accident. Installs itself for its lifetime.
class ConsoleMessageBox : public MessageBoxService {
public:
    // Called with the text of an error box (the stop icon) once it is shown, before any question, so
    // that what explains the failure stands under it.
    using Explainer = std::function<void(const std::string& text)>;

    ConsoleMessageBox(std::istream& in, std::ostream& out);
    ~ConsoleMessageBox() override;
    ConsoleMessageBox(const ConsoleMessageBox&) = delete;
    ConsoleMessageBox& operator=(const ConsoleMessageBox&) = delete;

    MessageResult Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override;

    void ExplainErrorsWith(Explainer explainer) { explainer_ = std::move(explainer); }
    const Explainer& ErrorExplainer() const { return explainer_; }

    // --yes, as UnaskedAnswers gives the answers.
    void AnswerForTheOperator(int retryLimit) { unasked_.emplace(retryLimit); }

private:
    MessageResult Ask(MessageButtons buttons);
    MessageResult AnswerUnasked(MessageIcon icon, MessageButtons buttons);

    std::istream& in_;
    std::ostream& out_;
    MessageBoxService* previous_;
    Explainer explainer_;
    std::optional<UnaskedAnswers> unasked_;
};
