// The events of a halix-term session: what the utility shows and how the session ended. The
// application object, the window and the window loop report each event once to one
// SessionEvents, which tells it in its own form (the transcript for people, the JSON stream
// for programs), so that both forms always hold the same events.
#pragma once

#include "nvram/nvram.h"
#include "platform/authorization.h"
#include "term/setting_changes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

// Texts in events are as the utility has them; each form escapes them where it shows them.
struct AlertEvent {
    std::optional<std::string> key; // the message key its message starts with, if any
    std::string title;
    std::string message;
    std::vector<std::string> buttons;
    std::string answer; // the button pressed
};

enum class PanelKind { Open, Save };

struct PanelEvent {
    PanelKind kind;
    std::string directory;
    std::optional<std::string> path; // nullopt when cancelled
};

struct FieldEvent {
    std::string outlet;
    std::string label; // the window's label beside the field
    std::string text;
};

// The record read from the card at start-up, or written to it when the window closed.
enum class RecordMoment { Read, Written };

// What `show` printed: the window's text, the record it stands for and what changed.
struct WindowShown {
    std::string description;
    NVRAM record;
    SettingChanges changes;
};

// What ended the session.
enum class EndReason {
    Ended,       // the utility ended by itself (its window closed, a refusal, Cancel)
    BadLine,     // a script line did not answer what the utility asked
    InputEnded,  // the input ran out while the utility waited
    CannotStart, // the bundle or the machine could not be opened
};

struct EndEvent {
    int status;
    EndReason reason;
    std::string detail; // why it could not start; empty otherwise
};

class SessionEvents {
public:
    virtual ~SessionEvents() = default;
    virtual void alert(const AlertEvent& event) = 0;
    virtual void panel(const PanelEvent& event) = 0;
    virtual void login(AuthenticationOutcome outcome) = 0;
    virtual void field(const FieldEvent& event) = 0;
    virtual void record(RecordMoment moment, const NVRAM& record) = 0;
    virtual void show(const WindowShown& shown) = 0;
    // The `help` text, for the person at the prompt.
    virtual void help(std::string_view text) = 0;
    // The last event of a session.
    virtual void end(const EndEvent& event) = 0;
};

} // namespace halix
