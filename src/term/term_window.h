// The utility's window for the terminal, built in code with the structure of the Qt window:
// the settings container (host ID, parity, terminators, 64 tagged per-target controls), the
// three version fields beside it, and the password panel.
#pragma once

#include "nvram/nvram.h"
#include "term/script_reader.h"
#include "term/session_events.h"
#include "term/term_view.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

class TermWindow {
public:
    // Text fields report every new value to `fieldSink`.
    using FieldSink = std::function<void(const FieldEvent& event)>;
    explicit TermWindow(const FieldSink& fieldSink);

    [[nodiscard]] TermView& window() const { return *mWindow; }
    // The container of out_hostSCSIID and of the per-target controls.
    [[nodiscard]] TermView& settings() const { return *mSettings; }

    // The single outlet `name`; null for any other name.
    [[nodiscard]] TermView* outlet(std::string_view name) const;
    // The control a script names; null when the window has none.
    [[nodiscard]] TermView* control(const ControlName& name) const;

    // Acts on a control as a person would: sets a button's state or selects a pop-up item.
    // Returns what is wrong, changing nothing, when the control does not take `value`.
    [[nodiscard]] std::optional<std::string> set(const ControlName& name, int value) const;
    // The same for several controls at once: all of them change, or none does.
    [[nodiscard]] std::optional<std::string> set(const std::vector<SetAction>& changes) const;

private:
    // What is wrong with setting `name` to `value`; nullopt when the control takes it.
    [[nodiscard]] std::optional<std::string> refusal(const ControlName& name, int value) const;

    std::unique_ptr<TermView> mWindow;
    std::unique_ptr<TermView> mPasswordPanel;
    TermView* mSettings = nullptr;
};

} // namespace halix
