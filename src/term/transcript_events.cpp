// The session told as the transcript.
#include "term/transcript_events.h"

#include "term/transcript_lines.h"

namespace halix {

void TranscriptEvents::alert(const AlertEvent& event) {
    if (mConversation) {
        return;
    }
    line(alertLine(event.title, event.message, event.buttons, event.answer));
}

void TranscriptEvents::panel(const PanelEvent& event) {
    line(event.kind == PanelKind::Open ? openLine(event.directory, event.path)
                                       : saveLine(event.directory, event.path));
}

void TranscriptEvents::login(AuthenticationOutcome outcome) {
    line(loginLine(outcome));
}

void TranscriptEvents::field(const FieldEvent& event) {
    line(mConversation ? labelledFieldLine(event.outlet, event.text)
                       : fieldLine(event.outlet, event.text));
}

void TranscriptEvents::show(const WindowShown& shown) {
    mTranscript << shown.description << std::flush;
}

void TranscriptEvents::help(std::string_view text) {
    mTranscript << text << std::flush;
}

void TranscriptEvents::line(const std::string& text) {
    mTranscript << text << std::endl;
}

} // namespace halix
