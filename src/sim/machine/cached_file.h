// A machine file kept in memory, read again only after the machine has changed, with a
// generation number that changes only when its content does, so that a card command does
// not re-read or re-parse what it already knows.
#pragma once

#include "sim/machine/machine_files.h"
#include "sim/machine/slot_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace halix::sim {

enum class FileLayout {
    Whole,    // the content as it is, replaced through a spare file
    TwoSlots, // the content in two slots written alternately in place (slot_record.h)
};

class CachedFile {
public:
    CachedFile(const MachineFiles& files, std::string name, std::size_t maxContentBytes,
               FileLayout layout);

    [[nodiscard]] const std::string& name() const { return mName; }

    // The file's content as it is at the machine's change count `changes`: read again only
    // when the machine changed since it was last known. Null when the file is missing,
    // unreadable, damaged or larger than the limit; `error` then names the file and says why.
    const std::vector<std::uint8_t>* content(std::uint64_t changes, std::string& error);

    // Replaces the content (needs the machine's exclusive lock) so that a crash at any moment
    // leaves the old content or the new one, and keeps it as the content at count `changes`.
    bool replace(std::vector<std::uint8_t> content, std::uint64_t changes, std::string& error);

    // A change elsewhere: content known at count `before` is still good at `after`.
    void carryOver(std::uint64_t before, std::uint64_t after);

    // Changes whenever the known content changes: a parse of it stays good while this does.
    [[nodiscard]] std::uint64_t generation() const { return mGeneration; }

private:
    // Reads the file's bytes into mScratch; false and `error` when it cannot.
    bool readFile(std::string& error);
    void remember(std::vector<std::uint8_t>& content, std::uint64_t changes);
    bool replaceSlot(std::vector<std::uint8_t>& record, std::uint64_t changes, std::string& error);

    const MachineFiles& mFiles;
    std::string mName;
    std::size_t mMaxContentBytes;
    FileLayout mLayout;
    bool mKnown = false;
    std::uint64_t mKnownAt = 0; // the machine's change count when mContent was last checked
    std::vector<std::uint8_t> mContent;
    std::vector<std::uint8_t> mScratch;
    SlotPlace mSlot; // where mContent lies in a two-slot file
    std::uint64_t mGeneration = 0;
};

} // namespace halix::sim
