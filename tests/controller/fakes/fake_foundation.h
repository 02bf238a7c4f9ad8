// The foundation as controller tests see it: a bundle whose message table answers each key
// with the key itself, files read and written in memory, and a captured system log.
#pragma once

#include "platform/foundation.h"

#include <functional>
#include <map>

namespace halix::testing {

class FakeBundle : public Bundle {
public:
    std::string bundlePath() const override { return path; }
    std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const override {
        const auto found = info.find(key);
        return found == info.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::string localizedStringForKey(const std::string& key, const std::string& value,
                                      const char* /*table*/) const override {
        return key.starts_with("MSG_") ? key : value;
    }

    std::string path = "/Applications/Halix Utility.app";
    PropertyDictionary info = {{"CFBundleVersion", "1.0.0"}};
};

class FakeFoundation : public Foundation {
public:
    const Bundle& mainBundle() const override { return bundle; }
    std::optional<PropertyDictionary>
    dictionaryWithContentsOfFile(const std::string& path) const override {
        const auto found = dictionaries.find(path);
        return found == dictionaries.end() ? std::nullopt
                                           : std::optional<PropertyDictionary>(found->second);
    }
    FileData dataWithContentsOfFile(const std::string& path, std::size_t maxLength) const override {
        ++dataReads;
        if (onRead) {
            onRead(dataReads);
        }
        if (const auto refused = refusals.find(path); refused != refusals.end()) {
            return refused->second;
        }
        const auto found = files.find(path);
        if (found == files.end()) {
            return {std::nullopt, FileData::Refusal::CannotRead, "No such file or directory"};
        }
        if (found->second.size() > maxLength) {
            return {std::nullopt, FileData::Refusal::TooLarge, "too large", found->second.size()};
        }
        return {found->second, FileData::Refusal::None, {}};
    }
    bool writeToFile(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& error) override {
        if (writeError) {
            error = *writeError;
            return false;
        }
        written[path].assign(bytes.begin(), bytes.end());
        return true;
    }
    std::string NSHomeDirectory() const override { return "/home/person"; }
    void NSLog(std::string_view entry) override { log.emplace_back(entry); }

    FakeBundle bundle;
    std::map<std::string, PropertyDictionary> dictionaries;
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::map<std::string, FileData> refusals; // paths read as refused, before `files`
    std::map<std::string, std::vector<std::uint8_t>> written; // by writeToFile
    std::optional<std::string> writeError;                    // set: writeToFile fails so
    std::function<void(int readNumber)> onRead;               // runs before each data read
    mutable int dataReads = 0;
    std::vector<std::string> log;
};

} // namespace halix::testing
