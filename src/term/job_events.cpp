#include "term/job_events.h"

#include "controller/message_keys.h"
#include "platform/posix/text_escape.h"
#include "term/exit_status.h"

#include <algorithm>

namespace halix {

namespace {

bool tellsSuccess(const std::optional<std::string>& key) {
    return key && msg::tellsSuccess(*key);
}

bool tellsFailure(const std::optional<std::string>& key) {
    return key && msg::tellsFailure(*key);
}

} // namespace

void JobEvents::alert(const AlertEvent& event) {
    if (tellsFailure(event.key)) {
        mDiagnostics << "halix-term: " << escapeControlCharacters(event.message) << std::endl;
    }
    mAlerts.push_back(event);
}

void JobEvents::record(RecordMoment moment, const NVRAM& record) {
    if (moment == RecordMoment::Read) {
        mRead = record;
    }
}

void JobEvents::end(const EndEvent& event) {
    if (event.reason == EndReason::CannotStart) {
        mCannotStart = event.detail;
    }
}

void JobEvents::login(AuthenticationOutcome outcome) {
    if (outcome == AuthenticationOutcome::Refused) {
        mDiagnostics << "halix-term: the administrator password was refused" << std::endl;
    }
}

int jobExitStatus(int loopStatus, const std::vector<AlertEvent>& alerts, bool done) {
    if (loopStatus != kExitEnded) {
        return loopStatus;
    }
    const auto last = std::find_if(alerts.rbegin(), alerts.rend(), [](const AlertEvent& alert) {
        return tellsFailure(alert.key) || tellsSuccess(alert.key);
    });
    const bool failed = last != alerts.rend() && tellsFailure(last->key);
    return failed || !done ? kExitFailureTold : kExitEnded;
}

} // namespace halix
