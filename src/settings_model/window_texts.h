// The texts of the window in English: group titles, headings and the version fields' labels,
// accessible names and tooltips, for the Qt window (which translates them) and halix-term.
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

// The window's texts beyond its settings (those are in record_settings.h).
struct WindowTexts {
    const char* channelTitle;
    const char* targetsTitle;
    const char* targetHeading;
    const char* versionsTitle;
    ControlTexts applicationVersion;
    ControlTexts driverVersion;
    ControlTexts biosVersion;
};

extern const WindowTexts kWindowTexts;

// The three read-only version fields: each one's outlet and its texts in kWindowTexts, in the
// window's order.
struct VersionField {
    std::string_view outlet;
    const ControlTexts* texts;
};
extern const std::array<VersionField, 3> kVersionFields;

} // namespace halix
