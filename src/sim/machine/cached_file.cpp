#include "sim/machine/cached_file.h"

#include "platform/posix/write_all.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halix::sim {

CachedFile::CachedFile(const MachineFiles& files, std::string name, std::size_t maxContentBytes,
                       FileLayout layout)
    : mFiles(files), mName(std::move(name)), mMaxContentBytes(maxContentBytes), mLayout(layout) {}

void CachedFile::remember(std::vector<std::uint8_t>& content, std::uint64_t changes) {
    if (!mKnown || content != mContent) {
        mContent.swap(content);
        mKnown = true;
        ++mGeneration;
    }
    mKnownAt = changes;
}

void CachedFile::carryOver(std::uint64_t before, std::uint64_t after) {
    if (mKnown && mKnownAt == before) {
        mKnownAt = after;
    }
}

bool CachedFile::readFile(std::string& error) {
    const UniqueFd file = mFiles.openFile(mName, O_RDONLY, error);
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        return false;
    }
    const std::size_t limit =
        mLayout == FileLayout::Whole ? mMaxContentBytes : 2 * slotStride(mMaxContentBytes);
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        error = mName + ": larger than " + std::to_string(limit) + " bytes";
        return false;
    }
    mScratch.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    while (filled < mScratch.size()) {
        const ssize_t got = ::read(file.get(), mScratch.data() + filled, mScratch.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = mName + (got < 0 ? ": " + std::string(std::strerror(errno))
                                     : std::string(": shrank while being read"));
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

const std::vector<std::uint8_t>* CachedFile::content(std::uint64_t changes, std::string& error) {
    if (mKnown && mKnownAt == changes) {
        return &mContent;
    }
    mKnown = false;
    if (!readFile(error)) {
        return nullptr;
    }
    if (mLayout == FileLayout::Whole) {
        remember(mScratch, changes);
        return &mContent;
    }
    std::string problem;
    const std::optional<NewestSlot> newest = newestSlot(mScratch, problem);
    if (!newest) {
        error = mName + ": " + problem;
        return nullptr;
    }
    mSlot = newest->place;
    std::vector<std::uint8_t> record(newest->record.begin(), newest->record.end());
    remember(record, changes);
    return &mContent;
}

bool CachedFile::replace(std::vector<std::uint8_t> content, std::uint64_t changes,
                         std::string& error) {
    if (content.size() > mMaxContentBytes) {
        error = mName + ": larger than " + std::to_string(mMaxContentBytes) + " bytes";
        return false;
    }
    const bool replaced = mLayout == FileLayout::Whole ? mFiles.replace(mName, content, error)
                                                       : replaceSlot(content, changes, error);
    if (!replaced) {
        mKnown = false;
        return false;
    }
    remember(content, changes);
    return true;
}

bool CachedFile::replaceSlot(std::vector<std::uint8_t>& record, std::uint64_t changes,
                             std::string& error) {
    // The slot holding the current record must not be touched: find it unless it is known.
    // (The caller holds the exclusive lock, so the file is as last read or written here.)
    std::string unreadable;
    const bool current = (mKnown && mKnownAt == changes) || content(changes, unreadable);
    // The new slot must outnumber the one it replaces, or the old record would stay current.
    const bool canOutnumber = current && mSlot.sequence < kLastSlotSequence;
    const std::uint64_t sequence = canOutnumber ? mSlot.sequence + 1 : 1;
    if (canOutnumber && mContent.size() == record.size() &&
        mSlot.stride == slotStride(record.size())) {
        const std::vector<std::uint8_t> slot = encodeSlot(record, sequence);
        const std::size_t target = 1 - mSlot.slot;
        const UniqueFd file = mFiles.openFile(mName, O_WRONLY, error);
        if (!file) {
            return false;
        }
        const auto offset = static_cast<off_t>(slotOffset(target, record.size()));
        if (!writeAll(file.get(), slot, offset) || ::fdatasync(file.get()) != 0) {
            error = mName + ": cannot write: " + std::strerror(errno);
            return false;
        }
        mSlot = {target, sequence, mSlot.stride};
        return true;
    }
    // A new file, records of another size, a file laid out without padding or one whose
    // numbers ran out: both slots written anew, the second empty.
    if (!mFiles.replace(mName, encodeSlotFile(record, sequence), error)) {
        return false;
    }
    mSlot = {0, sequence, slotStride(record.size())};
    return true;
}

} // namespace halix::sim
