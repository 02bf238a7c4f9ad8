// A machine file kept in memory, read again only after the machine has changed, with a
// generation number that changes only when its content does, so that a card command does
// not re-read or re-parse what it already knows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace halix::sim {

class CachedFile {
public:
    CachedFile(std::string path, std::size_t maxBytes);

    [[nodiscard]] const std::string& path() const { return mPath; }

    // The file's bytes as they are at the machine's change count `changes`: read again
    // only when the machine changed since they were last known. Null when the file is
    // missing, unreadable or larger than the limit; `error` then names the file and says why.
    const std::vector<std::uint8_t>* bytes(std::uint64_t changes, std::string& error);

    // Replaces the file atomically (needs the machine's exclusive lock) and keeps `bytes`
    // as its content at change count `changes`.
    bool replace(std::vector<std::uint8_t> bytes, std::uint64_t changes, std::string& error);

    // A change elsewhere: content known at count `before` is still good at `after`.
    void carryOver(std::uint64_t before, std::uint64_t after);

    // Changes whenever the known content changes: a parse of it stays good while this does.
    [[nodiscard]] std::uint64_t generation() const { return mGeneration; }

private:
    void remember(std::vector<std::uint8_t>& content);

    std::string mPath;
    std::size_t mMaxBytes;
    bool mKnown = false;
    std::uint64_t mKnownAt = 0; // the machine's change count when mBytes was last checked
    std::vector<std::uint8_t> mBytes;
    std::vector<std::uint8_t> mScratch;
    std::uint64_t mGeneration = 0;
};

} // namespace halix::sim
