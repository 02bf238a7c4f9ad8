// The window waiting for the user.
#include "term/window_loop.h"

#include "term/window_description.h"

#include <array>
#include <utility>

namespace halix {

const char* const kWindowHelp =
    "Window actions:\n"
    "  set host-id 0..15\n"
    "                   the host adapter's SCSI ID\n"
    "  set parity on|off\n"
    "                   parity checking\n"
    "  set termination automatic|low|on|off\n"
    "                   Automatic, Low byte only, On (low and high byte), Off\n"
    "  set target 0..15 disconnect|sync|wide on|off\n"
    "                   a target's disconnect, synchronous or wide transfer\n"
    "  set target 0..15 max-transfer ITEM\n"
    "                   ITEM: as the window shows it, 80MB/s to 10MB/s (blanks and case\n"
    "                   aside), or its index 0-7\n"
    "  set NAME VALUE   NAME: out_hostSCSIID (0-15), out_parity, out_SCSITerminators_0 ... _3\n"
    "                   (0 off, 1 on), or a target's tag: 100+n maximum transfer (0-7),\n"
    "                   200+n sync, 300+n disconnect, 400+n wide (0/1), n = 0 to 15\n"
    "  press write|erase|default|cancel\n"
    "                   Write Flash, Erase Flash, Restore Defaults, Cancel\n"
    "  press save-settings|load-settings\n"
    "                   Save Settings (the window's settings into a file), Load Settings\n"
    "  press save-flash|verify-flash\n"
    "                   Save Flash (the card's flash into a file), Verify Flash (against a file)\n"
    "  close            save the settings to the card and quit\n"
    "  show             print the window, * marking what changed since the settings were\n"
    "                   read, restored or loaded\n"
    "  help             this text\n"
    "At the prompt Tab completes commands, settings and values; the arrow keys recall lines.\n";

namespace {

constexpr const char* kExpectedWindowAction = "a window action: set, press, close or show";

using Action = std::function<void()> WindowTarget::*;
constexpr std::array<std::pair<WindowButton, Action>, 8> kButtonActions = {{
    {WindowButton::Write, &WindowTarget::write},
    {WindowButton::Erase, &WindowTarget::erase},
    {WindowButton::Default, &WindowTarget::restoreDefaults},
    {WindowButton::Cancel, &WindowTarget::cancel},
    {WindowButton::SaveSettings, &WindowTarget::saveSettings},
    {WindowButton::LoadSettings, &WindowTarget::loadSettings},
    {WindowButton::SaveFlash, &WindowTarget::saveFlash},
    {WindowButton::VerifyFlash, &WindowTarget::verifyFlash},
}};

void press(WindowButton button, const WindowTarget& target) {
    for (const auto& [pressed, action] : kButtonActions) {
        if (pressed == button && target.*action) {
            (target.*action)();
        }
    }
}

} // namespace

int runWindowLoop(const Application& application, CommandReader& reader, TermWindow& window,
                  const WindowTarget& target, std::ostream& transcript) {
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
            press(pressed->button, target);
        } else if (std::holds_alternative<CloseAction>(*command)) {
            windowOpen = !target.shouldClose || !target.shouldClose();
        } else if (std::holds_alternative<ShowAction>(*command)) {
            transcript << describeWindow(window,
                                         target.changes ? target.changes() : SettingChanges{})
                       << std::flush;
        } else if (std::holds_alternative<HelpAction>(*command)) {
            transcript << kWindowHelp << std::flush;
        }
    }
    return reader.stopped() ? reader.exitStatus() : kExitEnded;
}

} // namespace halix
