#include "term/run_session.h"

#include "controller/message_keys.h"
#include "platform/posix/held_signals.h"
#include "platform/posix/plist_foundation.h"
#include "platform/posix/text_escape.h"
#include "sim/simulated_platform.h"
#include "term/command_reader.h"
#include "term/exit_status.h"
#include "term/term_window.h"
#include "term/terminal_layout.h"
#include "term/window_loop.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <unistd.h>

namespace halix {

int runSession(const SessionSetup& setup) {
    SessionEvents& events = setup.events;
    const auto cannotStart = [&events](const std::string& error) {
        std::cerr << "halix-term: " << escapeControlCharacters(error) << '\n';
        events.end(EndEvent{
            .status = kExitCannotStart, .reason = EndReason::CannotStart, .detail = error});
        return kExitCannotStart;
    };

    CommandReader reader(setup.source, std::cerr);
    std::optional<TerminalConversation> terminal;
    if (const int fd = setup.questionsFd; fd >= 0) {
        terminal = TerminalConversation{.width = [fd] { return terminalWidth(fd); }};
    }
    TermApplication application(reader, events, std::move(terminal));

    Result<std::unique_ptr<PlistFoundation>> openedFoundation =
        PlistFoundation::ofRunningExecutable();
    if (!openedFoundation) {
        return cannotStart(openedFoundation.error().message());
    }
    const std::unique_ptr<PlistFoundation> foundation = std::move(*openedFoundation);
    application.identifyMessagesBy([&foundation](const char* key) {
        return foundation->mainBundle().localizedStringForKey(key, "", nullptr);
    });
    if (setup.logOffStandardError) {
        foundation->keepLogOffStandardError();
    }
    Result<std::unique_ptr<sim::SimulatedPlatform>> openedMachine = sim::SimulatedPlatform::open(
        sim::defaultMachineDirectory(), sim::defaultToolPath(), application);
    if (!openedMachine) {
        return cannotStart(openedMachine.error().message());
    }
    const std::unique_ptr<sim::SimulatedPlatform> machine = std::move(*openedMachine);

    TermWindow window([&events](const FieldEvent& event) { events.field(event); });
    HeldSignals interruptions("halix-term");
    HalixController controller{Platform{.iokit = machine->iokit(),
                                        .authorization = machine->authorization(),
                                        .application = application,
                                        .foundation = *foundation,
                                        .interruptions = interruptions}};
    for (const auto& [name, member] : HalixController::kOutlets) {
        controller.*member = ControlRef(window.outlet(name));
    }
    if (setup.started) {
        setup.started(controller);
    }
    controller.awakeFromNib();
    if (!application.isTerminating() && !controller.recordUnread()) {
        events.record(RecordMoment::Read, controller.record());
    }

    const WindowTarget target{
        .buttons =
            {
                .press = [&controller](
                             const WindowAction& action) { (controller.*action.act)(&controller); },
                .shouldClose =
                    [&controller, &window, &application, &events] {
                        const std::size_t alertsBefore = application.shownAlertKeys().size();
                        const bool closes = controller.windowShouldClose(&window.window());
                        // The success alert follows the write, and only a write that was made.
                        const auto& keys = application.shownAlertKeys();
                        if (std::find(keys.begin() + static_cast<std::ptrdiff_t>(alertsBefore),
                                      keys.end(),
                                      std::optional<std::string>(msg::SUCCESS)) != keys.end()) {
                            events.record(RecordMoment::Written, controller.record());
                        }
                        return closes;
                    },
            },
        .changes =
            [&controller] {
                return settingChanges(controller.cardRecord(), controller.windowRecord());
            },
        .record = [&controller] { return controller.windowRecord(); },
    };
    const int loopStatus = runWindowLoop(application, reader, window, target, events);
    return setup.finish(loopStatus, controller, application);
}

int withOutputWritten(int status, const char* what) {
    if (!std::cout.flush()) {
        std::cerr << "halix-term: " << what << " could not be written in full to standard output\n";
        return status == kExitEnded ? kExitFailureTold : status;
    }
    return status;
}

} // namespace halix
