// What `show` prints, in the labels and item texts of the window (settings_model).
#include "term/window_description.h"

#include "platform/posix/text_escape.h"
#include "settings_model/window_texts.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace halix {

namespace {

constexpr std::string_view kNone = "none";
constexpr std::string_view kOff = "off";
constexpr std::size_t kColumns = kTargetSettingCount;

std::string marked(std::string value, bool changed) {
    if (changed) {
        value += kChangedMark;
    }
    return value;
}

std::string onOff(const TermView* view) {
    if (view == nullptr) {
        return "-";
    }
    return view->state() != 0 ? "on" : std::string(kOff);
}

// The selected item's text, as the pop-up shows it.
std::string selection(const TermView* view) {
    if (view == nullptr) {
        return "-";
    }
    const int index = view->indexOfSelectedItem();
    return index < 0 ? std::string(kNone) : view->items().at(static_cast<std::size_t>(index));
}

std::string choiceOn(const TermWindow& window, const RecordSetting& setting) {
    std::string on;
    for (std::size_t button = 0; button < setting.outlets.size(); ++button) {
        const TermView* view = window.outlet(setting.outlets[button]);
        if (view != nullptr && view->state() != 0) {
            on += on.empty() ? "" : ", ";
            on += setting.choiceTexts[button].label;
        }
    }
    return on.empty() ? std::string(kNone) : on;
}

// The setting's value as the window shows it on `view`.
std::string shown(const RecordSetting& setting, const TermView* view) {
    return setting.kind == ControlKind::PopUp ? selection(view) : onOff(view);
}

std::string padLeft(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// "    Target  Disconnect  ...": the target number under its heading, then each cell padded
// to its column's width, without trailing blanks.
std::string tableLine(const std::string& first, const std::array<std::string, kColumns>& cells) {
    static const std::array<std::size_t, kColumns> kWidths = [] {
        std::array<std::size_t, kColumns> widths{};
        for (std::size_t column = 0; column < kColumns; ++column) {
            const RecordSetting& setting = kTargetSettings[column];
            std::size_t widest = kOff.size();
            if (setting.kind == ControlKind::PopUp) {
                widest = kNone.size();
                for (const std::string& item : itemTexts(setting)) {
                    widest = std::max(widest, item.size());
                }
            }
            widths.at(column) = std::max(std::string_view(setting.texts.label).size(),
                                         widest + kChangedMark.size());
        }
        return widths;
    }();
    std::string line = "    " + padLeft(first, std::string_view(kWindowTexts.targetHeading).size());
    for (std::size_t column = 0; column < kColumns; ++column) {
        std::string cell = cells.at(column);
        cell.resize(std::max(cell.size(), kWidths.at(column)), ' ');
        line += "  " + cell;
    }
    return line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
}

std::string targetsTable(const TermWindow& window, const SettingChanges& changes) {
    std::array<std::string, kColumns> headings;
    for (std::size_t column = 0; column < kColumns; ++column) {
        headings.at(column) = kTargetSettings[column].texts.label;
    }
    std::string table = tableLine(kWindowTexts.targetHeading, headings);
    TermView& settings = window.settings();
    for (int n = 0; n < kTargetCount; ++n) {
        std::array<std::string, kColumns> cells;
        for (std::size_t column = 0; column < kColumns; ++column) {
            const RecordSetting& setting = kTargetSettings[column];
            cells.at(column) = marked(shown(setting, settings.termViewWithTag(setting.tagBase + n)),
                                      changes.changed(setting, n));
        }
        table += tableLine(std::to_string(n), cells);
    }
    return table;
}

std::string settingLine(std::string_view label, const std::string& value) {
    return "  " + std::string(label) + " " + value + "\n";
}

std::string versionLine(const TermWindow& window, const ControlTexts& texts,
                        std::string_view outlet) {
    const TermView* field = window.outlet(outlet);
    return settingLine(texts.label, field != nullptr ? escapeControlCharacters(field->stringValue())
                                                     : std::string());
}

} // namespace

std::string describeWindow(const TermWindow& window, const SettingChanges& changes) {
    // The window's group titles head their settings; a check box's text and a choice's title
    // get a colon, as the labels beside pop-ups and fields have one.
    std::string text = std::string(kWindowTexts.channelTitle) + "\n";
    for (const RecordSetting& setting : kChannelSettings) {
        const bool popUp = setting.kind == ControlKind::PopUp;
        const std::string value = setting.kind == ControlKind::Choice
                                      ? choiceOn(window, setting)
                                      : shown(setting, window.outlet(setting.outlets.front()));
        text += settingLine(std::string(setting.texts.label) + (popUp ? "" : ":"),
                            marked(value, changes.changed(setting)));
    }
    text += std::string("  ") + kWindowTexts.targetsTitle + "\n";
    text += targetsTable(window, changes);
    text += std::string(kWindowTexts.versionsTitle) + "\n";
    for (const VersionField& field : kVersionFields) {
        text += versionLine(window, *field.texts, field.outlet);
    }
    text += std::string(kChangedMark) +
            " marks a setting changed from what the card holds (as last read or written)\n";
    return text;
}

} // namespace halix
