// The window waiting for the user.
#include "term/window_loop.h"

#include "term/help_entry.h"
#include "term/named_settings.h"
#include "term/window_description.h"

#include <algorithm>

namespace halix {

std::string windowHelp() {
    std::string text = "Window actions:\n" + settingsHelp();
    std::string outlets;
    for (const RecordSetting& setting : kChannelSettings) {
        for (const std::string_view outlet : setting.outlets) {
            outlets += (outlets.empty() ? "" : ", ") + std::string(outlet);
        }
    }
    std::string tags;
    for (const RecordSetting& setting : kTargetSettings) {
        tags += (tags.empty() ? "" : ", ") + std::to_string(setting.tagBase) + "+n " +
                std::string(setting.word);
    }
    text += helpEntry("set NAME VALUE", "NAME: " + outlets + ", or a target's tag (" + tags +
                                            ", n = 0 to " + std::to_string(kTargetCount - 1) +
                                            "); VALUE: 0 off, 1 on, or a pop-up's item index");
    for (const WindowAction& action : kWindowActions) {
        text += helpEntry("press " + std::string(action.word), action.help);
    }
    text += "  close            save the settings to the card and quit\n"
            "  quit, exit       leave without writing anything, as Cancel does (also Ctrl-D)\n"
            "  show             print the window, * marking what closing would change on the "
            "card\n"
            "  help             this text\n"
            "At the prompt Tab completes commands, settings and values; the arrow keys recall "
            "lines.\n";
    return text;
}

namespace {

constexpr const char* kExpectedWindowAction = "a window action: set, press, close or show";

} // namespace

int runWindowLoop(const Application& application, CommandReader& reader, TermWindow& window,
                  const WindowTarget& target, SessionEvents& events) {
    // `set` acts while the line is checked, so that a value the control refuses is reported
    // against its line and changes nothing.
    const CommandAcceptor setControls = [&window](const Command& command) {
        if (const auto* set = std::get_if<SetAction>(&command)) {
            return window.set(set->control, set->value);
        }
        if (const auto* set = std::get_if<NamedSetAction>(&command)) {
            return window.set(set->controls);
        }
        return std::optional<std::string>();
    };
    bool windowOpen = true;
    while (windowOpen && !application.isTerminating() && !reader.stopped()) {
        const std::optional<Command> command =
            reader.next(Awaiting::WindowAction, kExpectedWindowAction, "halix> ", setControls);
        if (!command) {
            break;
        }
        if (const auto* pressed = std::get_if<PressAction>(&*command)) {
            if (target.buttons.press && pressed->action != nullptr) {
                target.buttons.press(*pressed->action);
            }
        } else if (std::holds_alternative<CloseAction>(*command)) {
            windowOpen = !target.buttons.shouldClose || !target.buttons.shouldClose();
        } else if (std::holds_alternative<ShowAction>(*command)) {
            const SettingChanges changes = target.changes ? target.changes() : SettingChanges{};
            events.show(WindowShown{.description = describeWindow(window, changes),
                                    .record = target.record ? target.record() : NVRAM{},
                                    .changes = changes});
        } else if (std::holds_alternative<HelpAction>(*command)) {
            events.help(windowHelp());
        } else if (std::holds_alternative<QuitAction>(*command)) {
            reader.tell("Leaving without writing anything to the card, as Cancel does.");
            if (const WindowAction* cancel = windowActionNamed("cancel");
                cancel != nullptr && target.buttons.press) {
                target.buttons.press(*cancel);
            }
            windowOpen = false; // whatever Cancel did, nothing more is read
        }
    }
    return reader.stopped() ? reader.exitStatus() : kExitEnded;
}

} // namespace halix
