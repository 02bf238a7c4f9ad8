// What `show` prints, in the labels and item texts of the window (window_texts).
#include "term/window_description.h"

#include "controller/HalixController.h"
#include "platform/posix/text_escape.h"
#include "window_texts/window_texts.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace halix {

namespace {

constexpr std::string_view kNone = "none";
constexpr std::string_view kOff = "off";
constexpr std::size_t kColumns = 4;

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

std::string terminatorsOn(const TermWindow& window) {
    std::string on;
    for (std::size_t choice = 0; choice < kWindowTexts.terminators.size(); ++choice) {
        const TermView* button = window.outlet("out_SCSITerminators_" + std::to_string(choice));
        if (button != nullptr && button->state() != 0) {
            on += on.empty() ? "" : ", ";
            on += kWindowTexts.terminators.at(choice).label;
        }
    }
    return on.empty() ? std::string(kNone) : on;
}

std::string padLeft(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// "    Target  Disconnect  ...": the target number under its heading, then each cell padded
// to its column's width, without trailing blanks.
std::string tableLine(const std::string& first, const std::array<std::string, kColumns>& cells) {
    static const std::array<std::size_t, kColumns> kWidths = [] {
        std::size_t widestItem = kNone.size();
        for (const char* item : kWindowTexts.maxTransferItems) {
            widestItem = std::max(widestItem, std::string_view(item).size());
        }
        const std::array<std::string_view, kColumns> headings = {
            kWindowTexts.disconnect.label, kWindowTexts.maxTransfer.label,
            kWindowTexts.syncTransfer.label, kWindowTexts.wideTransfer.label};
        const std::array<std::size_t, kColumns> widestValues = {kOff.size(), widestItem,
                                                                kOff.size(), kOff.size()};
        std::array<std::size_t, kColumns> widths{};
        for (std::size_t column = 0; column < kColumns; ++column) {
            widths.at(column) =
                std::max(headings.at(column).size(), widestValues.at(column) + kChangedMark.size());
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
    std::string table =
        tableLine(kWindowTexts.targetHeading,
                  {kWindowTexts.disconnect.label, kWindowTexts.maxTransfer.label,
                   kWindowTexts.syncTransfer.label, kWindowTexts.wideTransfer.label});
    TermView& settings = window.settings();
    for (int n = 0; n < kTargetCount; ++n) {
        const TargetChanges& changed = changes.targets.at(static_cast<std::size_t>(n));
        table += tableLine(
            std::to_string(n),
            {marked(onOff(settings.termViewWithTag(DisconnectID + n)), changed.disconnect),
             marked(selection(settings.termViewWithTag(MaxTransferID + n)), changed.maxTransfer),
             marked(onOff(settings.termViewWithTag(SyncTransferID + n)), changed.syncTransfer),
             marked(onOff(settings.termViewWithTag(WideTransferID + n)), changed.wideTransfer)});
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
    // The window's group titles head their settings; a check box's text gets a colon, as
    // the labels beside pop-ups and fields have one.
    std::string text = std::string(kWindowTexts.channelTitle) + "\n";
    text += settingLine(kWindowTexts.hostId.label,
                        marked(selection(window.outlet("out_hostSCSIID")), changes.hostId));
    text += settingLine(std::string(kWindowTexts.parity.label) + ":",
                        marked(onOff(window.outlet("out_parity")), changes.parity));
    text += settingLine(std::string(kWindowTexts.terminationTitle) + ":",
                        marked(terminatorsOn(window), changes.termination));
    text += std::string("  ") + kWindowTexts.targetsTitle + "\n";
    text += targetsTable(window, changes);
    text += std::string(kWindowTexts.versionsTitle) + "\n";
    text += versionLine(window, kWindowTexts.applicationVersion, "out_verSCSIConfigration");
    text += versionLine(window, kWindowTexts.driverVersion, "out_verConfigurateionDriver");
    text += versionLine(window, kWindowTexts.biosVersion, "out_verSCSIBIOS");
    text += std::string(kChangedMark) +
            " marks a setting changed since the settings were read, restored or loaded\n";
    return text;
}

} // namespace halix
