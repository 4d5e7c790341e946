#include "notify/ProgressModel.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Records what the model draws, one line per call.
class RecordingSurface : public ProgressSurface {
public:
    bool OpenWindow() override {
        log.push_back("Open");
        return opens;
    }
    void CloseWindow() override { log.push_back("Close"); }
    void RevealWindow() override { log.push_back("Reveal"); }
    void ShowCaption(const std::string& caption) override { log.push_back("Caption " + caption); }
    void ShowMessage(const std::string& message) override { log.push_back("Message " + message); }
    void ShowPosition(int position, int lower, int upper) override {
        log.push_back("Bar " + std::to_string(position) + " of " + std::to_string(lower) + ".." +
                      std::to_string(upper));
    }
    void DispatchPending() override {
        log.push_back("Dispatch");
        if (pressCancelWhileDispatching && model != nullptr)
            model->Cancel();
    }
    void ShowCancel(bool enabled, const std::string& whyNot) override {
        log.push_back(enabled ? "Cancel on" : "Cancel off: " + whyNot);
    }
    void EnableMainWindow(bool enabled) override { log.push_back(enabled ? "Main on" : "Main off"); }
    std::string StatusPaneText() const override { return pane; }
    void ShowStatusPaneText(const std::string& text) override {
        pane = text;
        log.push_back("Pane " + text);
    }

    std::vector<std::string> log;
    std::string pane = "Ready";
    bool opens = true;
    bool pressCancelWhileDispatching = false;
    ProgressModel* model = nullptr;
};

// Runs a script of "Begin N P", "Step", "End", "Cancel", "Message TEXT", "Status K", "Block REASON",
// "Allow" and "NoWindow" (the next window cannot be created), "CancelInDispatch" (the operator presses
// Cancel while a Step lets events through), and logs "Signal" where an action left the cancel signal set.
std::vector<std::string> RunScript(const std::vector<std::string>& script) {
    RecordingSurface surface;
    CancelSignal signal;
    ProgressModel model(surface, signal);
    surface.model = &model;
    for (const std::string& action : script) {
        std::istringstream words(action);
        std::string verb;
        words >> verb;
        if (verb == "Begin") {
            int total = 0, percentage = 0;
            words >> total >> percentage;
            model.Begin(total, percentage == 1);
        } else if (verb == "Step") {
            model.Step();
        } else if (verb == "End") {
            model.End();
        } else if (verb == "Cancel") {
            model.Cancel();
        } else if (verb == "Message") {
            model.SetMessage(action.substr(std::string("Message ").size()));
        } else if (verb == "Status") {
            int kind = 0;
            words >> kind;
            model.StatusText(kind);
        } else if (verb == "Block") {
            model.BlockCancel(action.substr(std::string("Block ").size()));
        } else if (verb == "Allow") {
            model.AllowCancel();
        } else if (verb == "NoWindow") {
            surface.opens = false;
        } else if (verb == "CancelInDispatch") {
            surface.pressCancelWhileDispatching = true;
        } else {
            ADD_FAILURE() << "unknown action " << action;
        }
        if (signal.Poll())
            surface.log.push_back("Signal");
    }
    return surface.log;
}

struct ProgressRule {
    std::string name;
    std::vector<std::string> script;
    std::vector<std::string> drawn;
};

class ProgressModelRuleTest : public testing::TestWithParam<ProgressRule> {};

TEST_P(ProgressModelRuleTest, DrawsWhatTheRuleSays) {
    EXPECT_EQ(RunScript(GetParam().script), GetParam().drawn);
}

const std::vector<std::string> kOpenPercentage4 = {
    "Open", "Main off", "Caption Progress Percentage", "Message Progress", "Bar 0 of 0..4"};

std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProgressModelRuleTest,
    testing::Values(
        ProgressRule{"BeginOpensWithPercentageCaption", {"Begin 4 1"}, kOpenPercentage4},
        ProgressRule{"BeginWithoutPercentageSaysPleaseWait",
                     {"Begin 7 0", "Step"},
                     {"Open", "Main off", "Caption Please Wait", "Message Progress", "Bar 0 of 0..7",
                      "Caption Please Wait [14%]", "Bar 1 of 0..7", "Reveal", "Dispatch"}},
        ProgressRule{"FourStepsOfFourShowEachQuarter",
                     {"Begin 4 1", "Step", "Step", "Step", "Step"},
                     Join(kOpenPercentage4,
                          {"Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal", "Dispatch",
                           "Caption Progress Percentage [50%]", "Bar 2 of 0..4", "Reveal", "Dispatch",
                           "Caption Progress Percentage [75%]", "Bar 3 of 0..4", "Reveal", "Dispatch",
                           "Caption Progress Percentage [100%]", "Bar 4 of 0..4", "Reveal", "Dispatch"})},
        // 1*100/3 = 33 and 2*100/3 = 66: integer division, never rounded.
        ProgressRule{"PercentageIsDividedDown",
                     {"Begin 3 1", "Step", "Step"},
                     {"Open", "Main off", "Caption Progress Percentage", "Message Progress", "Bar 0 of 0..3",
                      "Caption Progress Percentage [33%]", "Bar 1 of 0..3", "Reveal", "Dispatch",
                      "Caption Progress Percentage [66%]", "Bar 2 of 0..3", "Reveal", "Dispatch"}},
        // The caption changes only with the percentage; the bar follows every step.
        ProgressRule{"CaptionOnlyWhenThePercentageChanges",
                     {"Begin 300 1", "Step", "Step", "Step"},
                     {"Open", "Main off", "Caption Progress Percentage", "Message Progress",
                      "Bar 0 of 0..300", "Caption Progress Percentage [0%]", "Bar 1 of 0..300", "Reveal",
                      "Dispatch", "Bar 2 of 0..300", "Reveal", "Dispatch", "Caption Progress Percentage [1%]",
                      "Bar 3 of 0..300", "Reveal", "Dispatch"}},
        ProgressRule{"TotalZeroShowsZeroPercentOnEveryStep",
                     {"Begin 0 1", "Step", "Step"},
                     {"Open", "Main off", "Caption Progress Percentage", "Message Progress", "Bar 0 of 0..0",
                      "Caption Progress Percentage [0%]", "Bar 1 of 0..0", "Reveal", "Dispatch",
                      "Bar 2 of 0..0", "Reveal", "Dispatch"}},
        ProgressRule{"StepsBeyondTheTotalStayAtTheEnd",
                     {"Begin 1 1", "Step", "Step"},
                     {"Open", "Main off", "Caption Progress Percentage", "Message Progress", "Bar 0 of 0..1",
                      "Caption Progress Percentage [100%]", "Bar 1 of 0..1", "Reveal", "Dispatch",
                      "Bar 1 of 0..1", "Reveal", "Dispatch"}},
        ProgressRule{"BeginWhileActiveKeepsTheDisplayAndItsRange",
                     {"Begin 4 1", "Begin 10 0", "Step"},
                     Join(kOpenPercentage4,
                          {"Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal", "Dispatch"})},
        ProgressRule{"StepAndEndWhileAbsentDoNothing", {"Step", "End", "Message ignored", "Cancel"}, {}},
        ProgressRule{"EndClosesAndEnablesTheMainWindow",
                     {"Begin 4 1", "Step", "End", "End", "Step"},
                     Join(kOpenPercentage4,
                          {"Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal", "Dispatch",
                           "Message ", "Bar 0 of 0..4", "Close", "Main on"})},
        ProgressRule{"EndThenBeginStartsAfresh",
                     {"Begin 4 1", "Step", "End", "Begin 4 1", "Step"},
                     Join(Join(kOpenPercentage4,
                               {"Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal", "Dispatch",
                                "Message ", "Bar 0 of 0..4", "Close", "Main on"}),
                          Join(kOpenPercentage4, {"Caption Progress Percentage [25%]", "Bar 1 of 0..4",
                                                  "Reveal", "Dispatch"}))},
        ProgressRule{"CancelRaisesTheSignalOnTheNextStepNotAtOnce",
                     {"Begin 4 1", "Step", "Cancel", "Step", "Step", "End"},
                     Join(kOpenPercentage4,
                          {"Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal", "Dispatch", "Close",
                           "Main on", "Signal", "Signal", "Main on"})},
        ProgressRule{"CancelPressedWhileAStepDispatchesRaisesItInThatStep",
                     {"Begin 4 1", "CancelInDispatch", "Step", "Step"},
                     Join(kOpenPercentage4, {"Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal",
                                             "Dispatch", "Close", "Main on", "Signal", "Signal"})},
        ProgressRule{"EndClearsTheCancelForTheNextDisplay",
                     {"Begin 4 1", "Cancel", "End", "Begin 4 1", "Step"},
                     Join(Join(kOpenPercentage4, {"Close", "Main on", "Main on"}),
                          Join(kOpenPercentage4, {"Caption Progress Percentage [25%]", "Bar 1 of 0..4",
                                                  "Reveal", "Dispatch"}))},
        // Where the work cannot stop safely Cancel is off and says why; a press is not taken.
        ProgressRule{"ABlockedCancelIsOffAndIgnoresThePress",
                     {"Begin 4 1", "Block erasing", "Cancel", "Step", "Block erasing", "Allow", "Cancel", "Step"},
                     Join(kOpenPercentage4,
                          {"Cancel off: erasing", "Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal",
                           "Dispatch", "Cancel on", "Close", "Main on", "Signal"})},
        ProgressRule{"ADisplayOpensWithTheBlockSetBeforeItAndEndLiftsIt",
                     {"Block bootcode", "Begin 4 1", "Block flashing", "End", "Begin 4 1", "Cancel"},
                     Join(Join(kOpenPercentage4, {"Cancel off: bootcode", "Cancel off: flashing", "Message ",
                                                  "Bar 0 of 0..4", "Close", "Main on"}),
                          Join(kOpenPercentage4, {"Close", "Main on"}))},
        ProgressRule{"APressWhileAStepDispatchesIsIgnoredWhileBlocked",
                     {"Begin 4 1", "Block writing", "CancelInDispatch", "Step", "Step"},
                     Join(kOpenPercentage4,
                          {"Cancel off: writing", "Caption Progress Percentage [25%]", "Bar 1 of 0..4", "Reveal",
                           "Dispatch", "Caption Progress Percentage [50%]", "Bar 2 of 0..4", "Reveal",
                           "Dispatch"})},
        ProgressRule{"WindowThatCannotBeCreatedLeavesTheDisplayAbsent",
                     {"NoWindow", "Begin 4 1", "Step", "End"},
                     {"Open"}},
        ProgressRule{"MessageReplacesTheTextWhileTheWindowExists",
                     {"Begin 4 1", "Message Erasing flash ROM...\nWARNING!! Ensure process is not interrupted",
                      "Cancel", "Message Programming Codeplug..."},
                     Join(kOpenPercentage4,
                          {"Message Erasing flash ROM...\nWARNING!! Ensure process is not interrupted",
                           "Close", "Main on"})},
        ProgressRule{"StatusTextShowsTheEngineTexts",
                     {"Status 1", "Status 2"},
                     {"Pane Please Wait: Downloading bootcode ...", "Pane Please Wait: Flashing firmware ..."}},
        ProgressRule{"RestoreWithNothingSavedChangesNothing", {"Status 3", "Status 4"}, {}},
        ProgressRule{"RestorePutsBackTheTextBeforeTheFirstChange",
                     {"Status 1", "Status 2", "Status 3", "Status 4"},
                     {"Pane Please Wait: Downloading bootcode ...", "Pane Please Wait: Flashing firmware ...",
                      "Pane Ready"}},
        ProgressRule{"UnknownKindsRestoreToo",
                     {"Status 2", "Status 0"},
                     {"Pane Please Wait: Flashing firmware ...", "Pane Ready"}}),
    [](const testing::TestParamInfo<ProgressRule>& info) { return info.param.name; });

TEST(ProgressModelTest, MessageIsCutTo511Characters) {
    RecordingSurface surface;
    CancelSignal signal;
    ProgressModel model(surface, signal);
    model.Begin(1, true);
    model.SetMessage(std::string(600, 'x'));
    EXPECT_EQ(model.Message(), std::string(ProgressModel::kMaxMessageLength, 'x'));
}

TEST(ProgressModelTest, SavedStatusTextIsKeptEvenWhenThePaneWasEmpty) {
    RecordingSurface surface;
    surface.pane.clear();
    ProgressModel model(surface);
    model.StatusText(1);
    model.StatusText(2);
    model.StatusText(3);
    EXPECT_EQ(surface.pane, "");
    EXPECT_FALSE(model.SavedStatusText().has_value());
}

TEST(ProgressModelTest, StateFollowsTheDisplayLifecycle) {
    RecordingSurface surface;
    CancelSignal signal;
    ProgressModel model(surface, signal);
    EXPECT_EQ(model.Upper(), 100);
    model.Begin(12, false);
    EXPECT_TRUE(model.Active());
    EXPECT_TRUE(model.WindowOpen());
    model.Step();
    EXPECT_EQ(model.Position(), 1);
    EXPECT_EQ(model.Caption(), "Please Wait [8%]");
    model.Cancel();
    EXPECT_TRUE(model.Active());
    EXPECT_TRUE(model.Cancelled());
    EXPECT_FALSE(model.WindowOpen());
    model.End();
    EXPECT_FALSE(model.Active());
    EXPECT_FALSE(model.Cancelled());
    EXPECT_EQ(model.Position(), 0);
    EXPECT_FALSE(signal.Poll());
}

}  // namespace
