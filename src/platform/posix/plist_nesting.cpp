#include "platform/posix/plist_nesting.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace halix {

namespace {

constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;

// The object tables of a binary property list, every position checked against its size.
class BinaryPlist {
public:
    explicit BinaryPlist(std::string_view bytes) : mBytes(bytes) {}

    bool readTrailer() {
        if (mBytes.size() < kBinaryMagic.size() + kTrailerSize) {
            return false;
        }
        const std::size_t trailer = mBytes.size() - kTrailerSize;
        mOffsetSize = byteAt(trailer + 6);
        mRefSize = byteAt(trailer + 7);
        const std::uint64_t objects = number(trailer + 8, 8);
        const std::uint64_t top = number(trailer + 16, 8);
        const std::uint64_t table = number(trailer + 24, 8);
        if (mOffsetSize < 1 || mOffsetSize > 8 || mRefSize < 1 || mRefSize > 8 || objects == 0 ||
            objects > mBytes.size() || top >= objects || table < kBinaryMagic.size() ||
            table > trailer || (trailer - table) / mOffsetSize < objects) {
            return false;
        }
        mObjects = static_cast<std::size_t>(objects);
        mTop = static_cast<std::size_t>(top);
        mTable = static_cast<std::size_t>(table);
        return true;
    }

    [[nodiscard]] std::size_t objects() const { return mObjects; }
    [[nodiscard]] std::size_t top() const { return mTop; }

    // Where the references to a container's members start and how many there are; nullopt
    // when the object lies outside the object area. Scalars have no members.
    struct Members {
        std::size_t at = 0;
        std::size_t count = 0;
    };
    [[nodiscard]] std::optional<Members> members(std::size_t object) const {
        const std::uint64_t offset = number(mTable + object * mOffsetSize, mOffsetSize);
        if (offset < kBinaryMagic.size() || offset >= mTable) {
            return std::nullopt;
        }
        auto at = static_cast<std::size_t>(offset);
        const unsigned marker = byteAt(at++);
        const unsigned type = marker >> 4U;
        // Arrays, ordered and unordered sets hold references; dictionaries keys, then values.
        if (type != 0xA && type != 0xB && type != 0xC && type != 0xD) {
            return Members{};
        }
        std::uint64_t count = marker & 0x0FU;
        if (count == 0x0F) {
            // The count follows as an integer object of 1, 2, 4 or 8 bytes.
            if (at >= mTable || (byteAt(at) >> 4U) != 0x1) {
                return std::nullopt;
            }
            const std::size_t width = std::size_t{1} << (byteAt(at) & 0x03U);
            ++at;
            if (width > mTable - at) {
                return std::nullopt;
            }
            count = number(at, width);
            at += width;
        }
        const std::uint64_t references = type == 0xD ? count * 2 : count;
        if (count > mBytes.size() || references > (mTable - at) / mRefSize) {
            return std::nullopt;
        }
        return Members{at, static_cast<std::size_t>(references)};
    }

    [[nodiscard]] std::uint64_t reference(const Members& members, std::size_t index) const {
        return number(members.at + index * mRefSize, mRefSize);
    }

private:
    [[nodiscard]] unsigned byteAt(std::size_t at) const {
        return static_cast<unsigned char>(mBytes[at]);
    }
    [[nodiscard]] std::uint64_t number(std::size_t at, std::size_t width) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value = (value << 8U) | byteAt(at + i);
        }
        return value;
    }

    std::string_view mBytes;
    std::size_t mOffsetSize = 0;
    std::size_t mRefSize = 0;
    std::size_t mObjects = 0;
    std::size_t mTop = 0;
    std::size_t mTable = 0;
};

// Depth of the object graph from the top object, without recursion. Objects may be shared;
// each one's depth is worked out once. A cycle has no depth.
bool binaryNestingWithin(std::string_view bytes, std::size_t maxDepth) {
    BinaryPlist plist(bytes);
    if (!plist.readTrailer()) {
        return false;
    }
    constexpr std::size_t kUnknown = 0;
    std::vector<std::size_t> depth(plist.objects(), kUnknown);
    std::vector<bool> open(plist.objects(), false);
    struct Frame {
        std::size_t object;
        BinaryPlist::Members members;
        std::size_t next = 0;
        std::size_t deepest = 0; // of the members seen so far
    };
    std::vector<Frame> path;

    const auto enter = [&](std::size_t object) {
        const std::optional<BinaryPlist::Members> members = plist.members(object);
        if (!members || path.size() >= maxDepth) {
            return false;
        }
        open[object] = true;
        path.push_back({object, *members});
        return true;
    };
    if (!enter(plist.top())) {
        return false;
    }
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.members.count) {
            const std::size_t finished = frame.deepest + 1;
            depth[frame.object] = finished;
            open[frame.object] = false;
            path.pop_back();
            if (!path.empty()) {
                path.back().deepest = std::max(path.back().deepest, finished);
            }
            continue;
        }
        const std::uint64_t member = plist.reference(frame.members, frame.next++);
        if (member >= plist.objects()) {
            return false;
        }
        const auto index = static_cast<std::size_t>(member);
        if (depth[index] != kUnknown) {
            frame.deepest = std::max(frame.deepest, depth[index]);
        } else if (open[index] || !enter(index)) {
            return false;
        }
    }
    return depth[plist.top()] <= maxDepth;
}

// Skips from `at` past the next `terminator`; npos when there is none.
std::size_t skipPast(std::string_view text, std::size_t at, std::string_view terminator) {
    const std::size_t found = text.find(terminator, at);
    return found == std::string_view::npos ? found : found + terminator.size();
}

// The end of a tag that starts at `at` (just past '<'): the position past its '>', quoted
// attribute values skipped; npos when the tag never ends.
std::size_t tagEnd(std::string_view text, std::size_t at) {
    char quote = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quote != 0) {
            quote = c == quote ? '\0' : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return at + 1;
        }
    }
    return std::string_view::npos;
}

// Depth of element nesting, counted over the tags without building a tree. Comments,
// character data, processing instructions and the document type declaration nest nothing.
bool xmlNestingWithin(std::string_view text, std::size_t maxDepth) {
    std::size_t depth = 0;
    std::size_t at = text.find('<');
    while (at != std::string_view::npos) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with("<!--")) {
            at = skipPast(text, at + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            at = skipPast(text, at + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            at = skipPast(text, at + 2, "?>");
        } else if (rest.starts_with("<!")) {
            // A document type declaration may carry an internal subset in brackets.
            const std::size_t bracket = text.find('[', at);
            const std::size_t close = text.find('>', at);
            at = bracket < close ? skipPast(text, skipPast(text, bracket, "]"), ">")
                                 : skipPast(text, at, ">");
        } else if (rest.starts_with("</")) {
            depth -= depth > 0 ? 1 : 0;
            at = tagEnd(text, at + 1);
        } else {
            const std::size_t end = tagEnd(text, at + 1);
            if (end == std::string_view::npos) {
                return false;
            }
            if (text[end - 2] != '/' && ++depth > maxDepth) {
                return false;
            }
            at = end;
        }
        if (at == std::string_view::npos) {
            return false;
        }
        at = text.find('<', at);
    }
    return true;
}

} // namespace

bool isBinaryPlist(std::string_view bytes) {
    return bytes.starts_with(kBinaryMagic);
}

bool plistNestingWithin(std::string_view bytes, std::size_t maxDepth) {
    return isBinaryPlist(bytes) ? binaryNestingWithin(bytes, maxDepth)
                                : xmlNestingWithin(bytes, maxDepth);
}

} // namespace halix
