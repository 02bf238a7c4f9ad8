// What `show` prints.
#include "term/window_description.h"

#include "term/text_escape.h"

#include <algorithm>

namespace halix {

namespace {

constexpr int kTargets = 16;

std::string onOff(const TermView* view) {
    if (view == nullptr) {
        return "-";
    }
    return view->state() != 0 ? "on" : "off";
}

std::string selection(const TermView* view) {
    if (view == nullptr) {
        return "-";
    }
    const int index = view->indexOfSelectedItem();
    return index < 0 ? std::string("none") : std::to_string(index);
}

std::string terminatorsOn(const TermWindow& window) {
    std::string on;
    for (int choice = 0; choice < 4; ++choice) {
        const TermView* button = window.outlet("out_SCSITerminators_" + std::to_string(choice));
        if (button != nullptr && button->state() != 0) {
            on += on.empty() ? "" : ", ";
            on += std::to_string(choice);
        }
    }
    return on.empty() ? "none" : on;
}

std::string padRight(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

std::string padLeft(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// "  target  disconnect  max transfer  sync  wide", column by column.
std::string targetRow(const TermWindow& window, int target) {
    TermView& settings = window.settings();
    return "  " + padLeft(std::to_string(target), 6) + "  " +
           padRight(onOff(settings.termViewWithTag(300 + target)), 10) + "  " +
           padRight(selection(settings.termViewWithTag(100 + target)), 12) + "  " +
           padRight(onOff(settings.termViewWithTag(200 + target)), 4) + "  " +
           onOff(settings.termViewWithTag(400 + target)) + "\n";
}

std::string versionLine(const TermWindow& window, std::string_view label, std::string_view outlet) {
    const TermView* field = window.outlet(outlet);
    return "  " + std::string(label) + ": " +
           (field != nullptr ? escapeControlCharacters(field->stringValue()) : std::string()) +
           "\n";
}

} // namespace

std::string describeWindow(const TermWindow& window) {
    std::string text = "window:\n";
    text += "  host SCSI ID: " + selection(window.outlet("out_hostSCSIID")) + "\n";
    text += "  parity: " + onOff(window.outlet("out_parity")) + "\n";
    text += "  terminators on: " + terminatorsOn(window) + "\n";
    text += "  target  disconnect  max transfer  sync  wide\n";
    for (int target = 0; target < kTargets; ++target) {
        text += targetRow(window, target);
    }
    text += versionLine(window, "application version", "out_verSCSIConfigration");
    text += versionLine(window, "utility driver version", "out_verConfigurateionDriver");
    text += versionLine(window, "BIOS version", "out_verSCSIBIOS");
    return text;
}

} // namespace halix
