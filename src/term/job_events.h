// The session of a job (halix-term get, set, …) kept for its result: the alerts in order, and
// on standard error only what the person must read, the alerts that tell of a failure.
#pragma once

#include "term/session_events.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace halix {

class JobEvents final : public SessionEvents {
public:
    explicit JobEvents(std::ostream& diagnostics) : mDiagnostics(diagnostics) {}

    void alert(const AlertEvent& event) override;
    void panel(const PanelEvent& /*event*/) override {}
    void login(AuthenticationOutcome outcome) override;
    void field(const FieldEvent& /*event*/) override {}
    void record(RecordMoment moment, const NVRAM& record) override;
    void show(const WindowShown& /*shown*/) override {}
    void help(std::string_view /*text*/) override {}
    void end(const EndEvent& event) override;

    [[nodiscard]] const std::vector<AlertEvent>& alerts() const { return mAlerts; }
    // The record read from the card at start-up; nullopt when none was read whole.
    [[nodiscard]] const std::optional<NVRAM>& recordRead() const { return mRead; }
    // Why the session could not start; empty when it started.
    [[nodiscard]] const std::string& cannotStart() const { return mCannotStart; }

private:
    std::string mCannotStart;
    std::optional<NVRAM> mRead;
    std::ostream& mDiagnostics;
    std::vector<AlertEvent> mAlerts;
};

// The status of a job: kExitFailureTold when the last alert that told an outcome told a
// failure (a Write Flash that failed an attempt and then verified succeeded), or when the job
// was not `done` (the utility ended first, or a question was answered Cancel); else the
// window loop's status.
int jobExitStatus(int loopStatus, const std::vector<AlertEvent>& alerts, bool done);

} // namespace halix
