// The session told as JSON Lines for programs: a first line naming the format and its version,
// then one object per event, nothing else. Texts are the transcript's: control characters and
// bytes that are no UTF-8 escaped as the transcript escapes them, so every line is valid JSON.
#pragma once

#include "term/session_events.h"

#include <ostream>
#include <string_view>

namespace halix {

inline constexpr std::string_view kEventsFormat = "halix-term-events";
inline constexpr int kEventsFormatVersion = 1;

class JsonEvents final : public SessionEvents {
public:
    // Writes the format line to `stream` at once; `help` goes to `people`, since it is no event.
    JsonEvents(std::ostream& stream, std::ostream& people);

    void alert(const AlertEvent& event) override;
    void panel(const PanelEvent& event) override;
    void login(AuthenticationOutcome outcome) override;
    void field(const FieldEvent& event) override;
    void record(RecordMoment moment, const NVRAM& record) override;
    void show(const WindowShown& shown) override;
    void help(std::string_view text) override;
    void end(const EndEvent& event) override;

private:
    std::ostream& mStream;
    std::ostream& mPeople;
};

} // namespace halix
