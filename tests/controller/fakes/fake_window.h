// The utility's window built of in-memory views: every single outlet and, inside the
// container of the host ID pop-up, the 64 tagged per-target controls (plus tags 99 and 116,
// which the utility never looks up, and a tag-105 control outside the container).
#pragma once

#include "controller/fakes/fake_view.h"
#include "controller/halix_controller.h"

#include <array>

namespace halix::testing {

struct FakeWindow {
    FakeWindow()
        : container(root.addChild()), hostId(container->addChild(0, 16)),
          parity(container->addChild()) {
        for (auto& terminator : terminators) {
            terminator = container->addChild();
        }
        const int firstTag = targetSetting(TargetSetting::MaxTransfer).tagBase;
        container->addChild(firstTag - 1);
        for (int n = 0; n < kTargetCount; ++n) {
            for (std::size_t column = 0; column < kTargetSettingCount; ++column) {
                const RecordSetting& setting = kTargetSettings[column];
                targets.at(column).at(static_cast<std::size_t>(n)) =
                    container->addChild(setting.tagBase + n,
                                        setting.kind == ControlKind::PopUp ? setting.itemCount : 0);
            }
        }
        container->addChild(firstTag + kTargetCount);
        verApplication = root.addChild();
        verDriver = root.addChild();
        verBios = root.addChild();
        taggedOutside = root.addChild(firstTag + 5, 8);
    }

    std::array<FakeView*, kTargetCount>& column(TargetSetting key) {
        return targets.at(static_cast<std::size_t>(key));
    }

    // Connects every single outlet, as the window's front end does before the start-up.
    void connect(HalixController& controller) {
        const std::pair<const char*, FakeView*> outlets[] = {
            {"out_window", &root},
            {"out_hostSCSIID", hostId},
            {"out_parity", parity},
            {"out_SCSITerminators_0", terminators[0]},
            {"out_SCSITerminators_1", terminators[1]},
            {"out_SCSITerminators_2", terminators[2]},
            {"out_SCSITerminators_3", terminators[3]},
            {"out_verSCSIConfigration", verApplication},
            {"out_verConfigurateionDriver", verDriver},
            {"out_verSCSIBIOS", verBios},
        };
        for (const auto& [name, view] : outlets) {
            *controller.outlet(name) = ControlRef(view);
        }
    }

    FakeView root;
    FakeView* container = nullptr;
    FakeView* hostId = nullptr;
    FakeView* parity = nullptr;
    std::array<FakeView*, 4> terminators{};
    // The per-target controls, one row for each of kTargetSettings; the four by name too.
    std::array<std::array<FakeView*, kTargetCount>, kTargetSettingCount> targets{};
    std::array<FakeView*, kTargetCount>& maxTransfer = column(TargetSetting::MaxTransfer);
    std::array<FakeView*, kTargetCount>& sync = column(TargetSetting::Sync);
    std::array<FakeView*, kTargetCount>& disconnect = column(TargetSetting::Disconnect);
    std::array<FakeView*, kTargetCount>& wide = column(TargetSetting::Wide);
    FakeView* verApplication = nullptr;
    FakeView* verDriver = nullptr;
    FakeView* verBios = nullptr;
    FakeView* taggedOutside = nullptr; // tag 105, outside the container
};

} // namespace halix::testing
