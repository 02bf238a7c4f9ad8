// A machine file kept in memory and read again only when another program has replaced or
// changed it, so that a card command does not re-read and re-parse what it already knows.
#pragma once

#include "sim/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace halix::sim {

class CachedFile {
public:
    CachedFile(std::string path, std::size_t maxBytes);

    const std::string& path() const { return mPath; }

    // The file's bytes. Null when it is missing, unreadable or larger than the limit;
    // `error` then names the file and says why.
    const std::vector<std::uint8_t>* bytes(std::string& error);

    // Replaces the file atomically and keeps `bytes` as its known content.
    bool replace(std::vector<std::uint8_t> bytes, std::string& error);

    // Grows by one whenever the known content changes: a parse of it stays good while
    // this number does.
    std::uint64_t generation() const { return mGeneration; }

private:
    bool stillCurrent() const;
    bool reload(std::string& error);

    std::string mPath;
    std::size_t mMaxBytes;
    // The file the content came from, held open so its identity cannot pass to a new file.
    UniqueFd mAnchor;
    struct stat mIdentity {};
    std::vector<std::uint8_t> mBytes;
    std::uint64_t mGeneration = 0;
};

} // namespace halix::sim
