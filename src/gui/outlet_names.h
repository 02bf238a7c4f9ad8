// The names of the controller's single outlets: each is the objectName of one widget of
// MainWindow.ui, by which the front end connects it.
#pragma once

#include <array>
#include <string_view>

namespace halix {

inline constexpr std::array<std::string_view, 12> kOutletNames = {
    "out_window",
    "out_hostSCSIID",
    "out_parity",
    "out_SCSITerminators_0",
    "out_SCSITerminators_1",
    "out_SCSITerminators_2",
    "out_SCSITerminators_3",
    "out_verSCSIConfigration",
    "out_verConfigurateionDriver",
    "out_verSCSIBIOS",
    "dlgPassword",
    "txtPassword",
};

} // namespace halix
