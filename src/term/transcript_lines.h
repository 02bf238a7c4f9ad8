// The lines of the transcript, one per event the utility shows: alerts, the file panels,
// the administrator login and text fields. Texts in them are escaped.
#pragma once

#include "platform/authorization.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

// "alert: TITLE | MESSAGE [OK, Cancel] -> Cancel"
std::string alertLine(std::string_view title, std::string_view message,
                      const std::vector<std::string>& buttons, std::string_view pressed);

// "open: DIRECTORY -> PATH", or "-> cancel" when `chosenPath` is empty.
std::string openLine(std::string_view directory, const std::optional<std::string>& chosenPath);
// "save: DIRECTORY -> PATH", or "-> cancel" when `chosenPath` is empty.
std::string saveLine(std::string_view directory, const std::optional<std::string>& chosenPath);

// "granted", "refused" or "cancelled": the login's outcome in the transcript and the stream.
const char* authenticationWord(AuthenticationOutcome outcome);
// "login: -> granted", "-> refused" or "-> cancelled".
std::string loginLine(AuthenticationOutcome outcome);

// "field OUTLET: TEXT"
std::string fieldLine(std::string_view outlet, std::string_view text);
// The same for a person: "LABEL TEXT" with the label the window gives the field ("SCSI BIOS:
// 2.1.3"); a field the window does not label reads as fieldLine.
std::string labelledFieldLine(std::string_view outlet, std::string_view text);

} // namespace halix
