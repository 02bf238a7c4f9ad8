// The application as controller tests see it: alerts answered from a queue and recorded,
// open and save panels with preset answers, and termination.
#pragma once

#include "platform/appkit.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace halix::testing {

struct ShownAlert {
    std::string title;
    std::string message;
    std::vector<std::string> buttons;
};

class FakeApplication : public Application {
public:
    int NSRunAlertPanel(const std::string& title, const std::string& message,
                        const char* defaultButton, const char* alternateButton,
                        const char* otherButton) override {
        ShownAlert shown{title, message, {}};
        for (const char* button : {defaultButton, alternateButton, otherButton}) {
            if (button != nullptr) {
                shown.buttons.emplace_back(button);
            }
        }
        alerts.push_back(shown);
        alertsAfterTerminate += terminated ? 1 : 0;
        if (answers.empty()) {
            return NSAlertDefaultReturn;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::unique_ptr<OpenPanel> openPanel(FilePurpose purpose) override {
        panelPurposes.push_back(purpose);
        return std::make_unique<Panel>(*this);
    }
    std::unique_ptr<SavePanel> savePanel(FilePurpose purpose) override {
        panelPurposes.push_back(purpose);
        return std::make_unique<Saver>(*this);
    }

    void terminate(const void* sender) override {
        terminated = true;
        terminateSender = sender;
        ++terminateCount;
    }
    bool isTerminating() const override { return terminated; }
    void stopModal() override { ++stopModalCount; }
    void abortModal() override { ++abortModalCount; }

    std::vector<std::string> alertMessages() const {
        std::vector<std::string> messages;
        for (const auto& shown : alerts) {
            messages.push_back(shown.message);
        }
        return messages;
    }

    std::deque<int> answers;              // alert results, in order; empty: OK
    std::optional<std::string> panelPath; // nullopt: the panel is cancelled
    std::vector<std::string> panelDirectories;
    std::vector<FilePurpose> panelPurposes;           // of each panel made, open or save
    std::vector<std::vector<std::string>> panelTypes; // of each open panel run
    std::optional<std::string> savePanelPath;         // nullopt: the save panel is cancelled
    std::vector<std::string> savePanelRuns;           // "DIRECTORY/PROPOSED NAME" of each run
    std::vector<ShownAlert> alerts;
    int alertsAfterTerminate = 0;
    bool terminated = false;
    const void* terminateSender = nullptr;
    int terminateCount = 0;
    int stopModalCount = 0;
    int abortModalCount = 0;

private:
    class Panel : public OpenPanel {
    public:
        explicit Panel(FakeApplication& app) : app_(app) {}
        int runModalForDirectory(const std::string& directory, const std::string& /*file*/,
                                 const std::vector<std::string>* types) override {
            app_.panelDirectories.push_back(directory);
            app_.panelTypes.push_back(types != nullptr ? *types : std::vector<std::string>{});
            return app_.panelPath ? NSOKButton : NSCancelButton;
        }
        std::string filename() const override { return app_.panelPath.value_or(""); }

    private:
        FakeApplication& app_;
    };
    class Saver : public SavePanel {
    public:
        explicit Saver(FakeApplication& app) : app_(app) {}
        int runModalForDirectory(const std::string& directory, const std::string& file) override {
            app_.savePanelRuns.push_back(directory + "/" + file);
            return app_.savePanelPath ? NSOKButton : NSCancelButton;
        }
        std::string filename() const override { return app_.savePanelPath.value_or(""); }

    private:
        FakeApplication& app_;
    };
};

} // namespace halix::testing
