// Stand-in for the foundation facilities: the main bundle and its resources, property lists
// and data from files, data written to files, the home directory and the system log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halix {

// A property-list dictionary as the utility uses it: its entries with string values.
using PropertyDictionary = std::map<std::string, std::string>;

// A file read whole, or why it was not.
struct FileData {
    enum class Refusal {
        None,
        CannotRead,     // the system refused: missing, not permitted, an I/O error, ...
        NotRegularFile, // a directory, a FIFO, a device: nothing to take whole
        TooLarge,       // more bytes than the reader takes
    };
    std::optional<std::vector<std::uint8_t>> bytes; // nullopt when refused
    Refusal refusal = Refusal::None;
    std::string reason;     // when refused: why, in the system's words, without the path
    std::uint64_t size = 0; // when TooLarge: the bytes the file holds (more than the limit)
};

class Bundle {
public:
    virtual ~Bundle() = default;
    // The bundle directory's full path (ends in ".app"), as the file system spells it.
    [[nodiscard]] virtual std::string bundlePath() const = 0;
    // The string value of `key` in Contents/Info.plist; nullopt when absent or not a string.
    [[nodiscard]] virtual std::optional<std::string>
    objectForInfoDictionaryKey(const std::string& key) const = 0;
    // The text of `key` in `table` (null: the default table, Localizable) of the person's
    // language, English as the fallback; `value` when the key is in no table.
    virtual std::string localizedStringForKey(const std::string& key, const std::string& value,
                                              const char* table) const = 0;
};

class Foundation {
public:
    virtual ~Foundation() = default;
    [[nodiscard]] virtual const Bundle& mainBundle() const = 0;
    // The file's top-level dictionary; nullopt when the file is missing, unreadable, too
    // large or not a dictionary.
    [[nodiscard]] virtual std::optional<PropertyDictionary>
    dictionaryWithContentsOfFile(const std::string& path) const = 0;
    // The file's whole contents, or why it cannot be taken: it cannot be read, is no regular
    // file, or is longer than maxLength.
    [[nodiscard]] virtual FileData dataWithContentsOfFile(const std::string& path,
                                                          std::size_t maxLength) const = 0;
    // Writes `bytes` as the file at `path`: atomically where the file can be replaced whole
    // (a failure or a crash leaves the old file or the new one), in place where a replacement
    // would lose what is set on it. False when it cannot, with the reason in the system's
    // words in `error`, and the file as it was.
    virtual bool writeToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                             std::string& error) = 0;
    [[nodiscard]] virtual std::string NSHomeDirectory() const = 0;
    // One system-log entry holding `entry`, its control characters and bytes that are no
    // UTF-8 escaped, so that it stays one entry and cannot drive a terminal.
    virtual void NSLog(std::string_view entry) = 0;
};

} // namespace halix
