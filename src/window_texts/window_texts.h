// The texts of the window's settings in English: labels, item texts, accessible names and
// tooltips, the one source for the Qt window (which translates them) and for halix-term.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

// The translation context of every text here (QCoreApplication::translate).
inline constexpr const char* kWindowTextsContext = "halix::WindowTexts";

// The texts of one control. In the per-target columns "%1" in the accessible name and the
// tooltip stands for the target number.
struct ControlTexts {
    const char* label;          // shown on or beside the control, or as a column heading
    const char* accessibleName; // what a screen reader says the control is
    const char* toolTip;        // one sentence: what the setting does
};

struct WindowTexts {
    const char* channelTitle;
    ControlTexts hostId;
    ControlTexts parity;
    const char* terminationTitle;
    // In the order of the terminator buttons (choice 0 to 3).
    std::array<ControlTexts, 4> terminators;
    const char* targetsTitle;
    const char* targetHeading;
    ControlTexts disconnect;
    ControlTexts maxTransfer;
    ControlTexts syncTransfer;
    ControlTexts wideTransfer;
    // The maximum-transfer pop-up's items, item 0 first.
    std::array<const char*, 8> maxTransferItems;
    const char* versionsTitle;
    ControlTexts applicationVersion;
    ControlTexts driverVersion;
    ControlTexts biosVersion;
};

extern const WindowTexts kWindowTexts;

// The host ID pop-up's items: the SCSI IDs "0" to "15".
std::vector<std::string> hostIdItems();

} // namespace halix
