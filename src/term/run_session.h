// One halix-term session on the simulated machine: the bundle and the machine opened, the
// controller on the terminal's window, the start-up run and the window loop until it ends.
#pragma once

#include "controller/halix_controller.h"
#include "term/answer_source.h"
#include "term/session_events.h"
#include "term/term_application.h"

#include <functional>

namespace halix {

// What a session reports to and takes its answers from, and what it does once the window
// loop has ended (with the loop's status, while the controller still stands).
struct SessionSetup {
    AnswerSource& source;
    SessionEvents& events;
    // The terminal a person reads the utility's questions on, which they are wrapped to:
    // standard output in a conversation, standard error for a job's; -1: none.
    int questionsFd = -1;
    // The system log's lines (the privileged tools' output among them) stay off standard
    // error: a person reads it, or a job keeps it for what the person must read.
    bool logOffStandardError = false;
    std::function<void(HalixController&)> started;
    std::function<int(int loopStatus, HalixController&, const TermApplication&)> finish;
};

// Runs the session; returns kExitCannotStart (after telling why on standard error and ending
// `events`) when the bundle or the machine cannot be opened, else what `finish` returns.
int runSession(const SessionSetup& setup);

// `status`, or kExitFailureTold in place of kExitEnded when standard output could not take
// all of `what` (a full disk, a closed standard output), which is then said on standard error.
int withOutputWritten(int status, const char* what);

} // namespace halix
