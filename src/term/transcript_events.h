// The session told as the transcript: one line per alert, panel, login and field, the window
// as `show` prints it; the record and the end have no line.
#pragma once

#include "term/session_events.h"

#include <ostream>

namespace halix {

class TranscriptEvents final : public SessionEvents {
public:
    // Every line is flushed as it is written, so that a reader sees it at once. In a
    // `conversation` with a person at a terminal an alert has no line (its question showed
    // it) and a field reads as the window labels it.
    explicit TranscriptEvents(std::ostream& transcript, bool conversation = false)
        : mTranscript(transcript), mConversation(conversation) {}

    void alert(const AlertEvent& event) override;
    void panel(const PanelEvent& event) override;
    void login(AuthenticationOutcome outcome) override;
    void field(const FieldEvent& event) override;
    void record(RecordMoment /*moment*/, const NVRAM& /*record*/) override {}
    void show(const WindowShown& shown) override;
    void help(std::string_view text) override;
    void end(const EndEvent& /*event*/) override {}

private:
    void line(const std::string& text);

    std::ostream& mTranscript;
    bool mConversation;
};

} // namespace halix
