// Stand-in for the signals by which a person or the system ends a program (interrupt,
// terminate, hang-up): held while the card is being changed, so that a change once begun
// is carried through and its outcome logged before the program ends.
#pragma once

namespace halix {

class Interruptions {
public:
    virtual ~Interruptions() = default;

    // From now until release(), such a signal is kept instead of acting; the person is told
    // once, on standard error, that `operation` (a phrase such as "the flash update") goes
    // on until it has finished. A signal the program ignores stays ignored. Not nested.
    virtual void hold(const char* operation) = 0;
    // Ends the hold. A signal kept meanwhile acts now, as it would have when it arrived: for
    // most, the program ends here and this does not return.
    virtual void release() = 0;
};

// Programs that run no change of the card a person could interrupt (benchmarks, fuzzers,
// tests of other behaviour) hold nothing.
class NoInterruptions final : public Interruptions {
public:
    void hold(const char* /*operation*/) override {}
    void release() override {}
};

inline Interruptions& noInterruptions() {
    static NoInterruptions none;
    return none;
}

// Holds `interruptions` for its lifetime or until release(), whichever ends first, so that
// a flow that returns early never leaves the hold in place.
class InterruptionHold {
public:
    InterruptionHold(Interruptions& interruptions, const char* operation)
        : mInterruptions(&interruptions) {
        mInterruptions->hold(operation);
    }
    ~InterruptionHold() { release(); }
    InterruptionHold(const InterruptionHold&) = delete;
    InterruptionHold& operator=(const InterruptionHold&) = delete;
    InterruptionHold(InterruptionHold&&) = delete;
    InterruptionHold& operator=(InterruptionHold&&) = delete;

    void release() {
        if (mInterruptions != nullptr) {
            Interruptions* held = mInterruptions;
            mInterruptions = nullptr;
            held->release();
        }
    }

private:
    Interruptions* mInterruptions;
};

} // namespace halix
