#include "bench_window.h"

#include <utility>

namespace halix::bench {

BenchWindow::BenchWindow()
    : container_(root_.addChild()), hostId_(container_->addChild(0, 16)),
      parity_(container_->addChild()) {
    for (auto*& terminator : terminators_) {
        terminator = container_->addChild();
    }
    for (int n = 0; n < kTargetCount; ++n) {
        container_->addChild(MaxTransferID + n, 8);
        container_->addChild(SyncTransferID + n);
        container_->addChild(DisconnectID + n);
        container_->addChild(WideTransferID + n);
    }
    for (auto*& version : versions_) {
        version = root_.addChild();
    }
}

void BenchWindow::connect(HalixController& controller) {
    const std::array<std::pair<const char*, testing::FakeView*>, 10> outlets = {{
        {"out_window", &root_},
        {"out_hostSCSIID", hostId_},
        {"out_parity", parity_},
        {"out_SCSITerminators_0", terminators_[0]},
        {"out_SCSITerminators_1", terminators_[1]},
        {"out_SCSITerminators_2", terminators_[2]},
        {"out_SCSITerminators_3", terminators_[3]},
        {"out_verSCSIConfigration", versions_[0]},
        {"out_verConfigurateionDriver", versions_[1]},
        {"out_verSCSIBIOS", versions_[2]},
    }};
    for (const auto& [name, view] : outlets) {
        if (ControlRef* outlet = controller.outlet(name)) {
            *outlet = ControlRef(view);
        }
    }
    const ControlRef container(container_);
    for (int n = 0; n < kTargetCount; ++n) {
        const auto target = static_cast<std::size_t>(n);
        controller.out_maxTransfer.at(target) = container.viewWithTag(MaxTransferID + n);
        controller.out_syncTransfer.at(target) = container.viewWithTag(SyncTransferID + n);
        controller.out_disconnect.at(target) = container.viewWithTag(DisconnectID + n);
        controller.out_wideTransfer.at(target) = container.viewWithTag(WideTransferID + n);
    }
}

} // namespace halix::bench
