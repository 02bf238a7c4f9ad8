// The result of a job as one JSON object (halix-term --json get, set, …), as
// docs/halix-term-result.schema.json describes it.
#pragma once

#include "controller/flash_image.h"
#include "nvram/nvram.h"
#include "term/job.h"
#include "term/session_events.h"

#include <optional>
#include <string>
#include <vector>

namespace halix {

struct JobOutcome {
    int status = 0;
    std::optional<NVRAM> before;           // the card's record as read at start-up
    std::optional<NVRAM> after;            // the card's record at the end, as far as it is known
    std::vector<AlertEvent> alerts;        // in the order shown
    bool done = true;                      // the job's own actions were all taken
    std::optional<ImageMismatch> mismatch; // of a verification that did not match
    std::string cannotStart;               // why the session could not start
};

// The names of the settings that differ between `before` and `after`, in the table's order.
std::vector<std::string> changedNames(const NVRAM& before, const NVRAM& after);

// The object: command, ok, changed, settings (all, or `job.names`), alerts, error, and for
// flash verify matches, first_difference and differing_bytes.
std::string jobResultJson(const Job& job, const JobOutcome& outcome);

} // namespace halix
