// The utility's window for the terminal.
#include "term/term_window.h"

#include "controller/halix_controller.h"
#include "settings_model/record_settings.h"
#include "settings_model/window_texts.h"

#include <algorithm>

namespace halix {

namespace {

TermView* findByName(TermView& view, std::string_view name) {
    if (view.name() == name) {
        return &view;
    }
    for (const auto& child : view.subviews()) {
        if (TermView* found = findByName(*child, name)) {
            return found;
        }
    }
    return nullptr;
}

// A text field that reports its values as `outlet`, with the label the window shows beside it.
std::unique_ptr<TermView> reportingField(const std::string& outlet, const char* label,
                                         const TermWindow::FieldSink& fieldSink) {
    return TermView::textField(outlet, [outlet, label, fieldSink](const std::string& text) {
        if (fieldSink) {
            fieldSink(FieldEvent{.outlet = outlet, .label = label, .text = text});
        }
    });
}

} // namespace

TermWindow::TermWindow(const FieldSink& fieldSink)
    : mWindow(TermView::container("out_window")),
      mPasswordPanel(TermView::container("dlgPassword")) {
    mSettings = &mWindow->addSubview(TermView::container("settings"));
    const auto control = [](const RecordSetting& setting, const std::string& name, int tag) {
        return setting.kind == ControlKind::PopUp ? TermView::popUp(name, itemTexts(setting), tag)
                                                  : TermView::twoStateButton(name, tag);
    };
    for (const RecordSetting& setting : kChannelSettings) {
        for (const std::string_view outlet : setting.outlets) {
            mSettings->addSubview(control(setting, std::string(outlet), TermView::kNoTag));
        }
    }
    for (int target = 0; target < kTargetCount; ++target) {
        for (const RecordSetting& setting : kTargetSettings) {
            mSettings->addSubview(
                control(setting, std::string(setting.controlName) + "_" + std::to_string(target),
                        setting.tagBase + target));
        }
    }
    for (const VersionField& field : kVersionFields) {
        mWindow->addSubview(
            reportingField(std::string(field.outlet), field.texts->label, fieldSink));
    }
    mPasswordPanel->addSubview(reportingField("txtPassword", "Administrator Password", fieldSink));
}

TermView* TermWindow::outlet(std::string_view name) const {
    const auto& outlets = HalixController::kOutlets;
    if (std::ranges::none_of(outlets, [name](const auto& outlet) { return outlet.name == name; })) {
        return nullptr;
    }
    if (TermView* found = findByName(*mWindow, name)) {
        return found;
    }
    return findByName(*mPasswordPanel, name);
}

TermView* TermWindow::control(const ControlName& name) const {
    if (const auto* outletName = std::get_if<std::string>(&name)) {
        return outlet(*outletName);
    }
    return mSettings->termViewWithTag(std::get<int>(name));
}

std::optional<std::string> TermWindow::refusal(const ControlName& name, int value) const {
    const TermView* view = control(name);
    const std::string described = ScriptReader::describe(name);
    if (view == nullptr) {
        return "the window has no control " + described;
    }
    switch (view->kind()) {
    case TermView::Kind::PopUp:
        if (value < 0 || value >= view->itemCount()) {
            return described + " is a pop-up: expected an item index from 0 to " +
                   std::to_string(view->itemCount() - 1);
        }
        return std::nullopt;
    case TermView::Kind::TwoStateButton:
        if (value != 0 && value != 1) {
            return described + " is a button: expected 0 (off) or 1 (on)";
        }
        return std::nullopt;
    case TermView::Kind::Container:
    case TermView::Kind::TextField:
        break;
    }
    return described + " cannot be set";
}

std::optional<std::string> TermWindow::set(const ControlName& name, int value) const {
    return set(std::vector<SetAction>{SetAction{name, value}});
}

std::optional<std::string> TermWindow::set(const std::vector<SetAction>& changes) const {
    for (const SetAction& change : changes) {
        if (std::optional<std::string> problem = refusal(change.control, change.value)) {
            return problem;
        }
    }
    for (const SetAction& change : changes) {
        TermView* view = control(change.control);
        if (view->kind() == TermView::Kind::PopUp) {
            view->selectItemAtIndex(change.value);
        } else {
            view->setState(change.value);
        }
    }
    return std::nullopt;
}

} // namespace halix
