// The interruptions held through the process's signal handlers: while held, SIGINT, SIGTERM
// and SIGHUP are kept by a handler of ours, and at the release the first one kept is raised
// again under the handling the program had before.
#pragma once

#include "platform/interruptions.h"

#include <array>
#include <csignal>
#include <string>

namespace halix {

class HeldSignals final : public Interruptions {
public:
    // `program` starts the line that tells the person the operation goes on.
    explicit HeldSignals(std::string program) : mProgram(std::move(program)) {}
    ~HeldSignals() override { release(); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;
    HeldSignals(HeldSignals&&) = delete;
    HeldSignals& operator=(HeldSignals&&) = delete;

    void hold(const char* operation) override;
    void release() override;

    static constexpr std::array<int, 3> kHeld = {SIGINT, SIGTERM, SIGHUP};

private:
    std::string mProgram;
    bool mHolding = false;
    std::array<struct sigaction, kHeld.size()> mPrevious{};
    std::array<bool, kHeld.size()> mTaken{};
};

} // namespace halix
