// Fuzzes the property-list intake of the foundation layer: the parser and the dictionary
// extraction on raw bytes, and a bundle whose Info.plist and English message table hold the
// input's two pieces.
#include "fuzz_check.h"
#include "fuzz_directory.h"
#include "platform/posix/plist_bundle.h"
#include "platform/posix/plist_dictionary.h"
#include "platform/posix/plist_ptr.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

namespace {

using halix::fuzz::check;

void parseDictionary(const std::string& bytes) {
    const halix::PlistPtr root = halix::parsePlist(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return;
    }
    const halix::PropertyDictionary entries = halix::stringEntries(root.get());
    for (const auto& [key, value] : entries) {
        const auto found = halix::plistDictString(root.get(), key.c_str());
        // A key with a NUL byte cannot be looked up through the C API; others must match.
        if (key.find('\0') == std::string::npos) {
            check(found.has_value() && *found == value,
                  "every extracted entry is the dictionary's string value");
        }
    }
}

void readBundle(const std::string& info, const std::string& table) {
    const std::string bundle = halix::fuzz::scratchDirectory() + "/Fuzz Bundle.app";
    const std::string lproj = bundle + "/Contents/Resources/English.lproj";
    std::filesystem::create_directories(lproj);
    halix::fuzz::writeFile(bundle + "/Contents/Info.plist", info.data(), info.size());
    halix::fuzz::writeFile(lproj + "/Localizable.strings", table.data(), table.size());

    const halix::PlistBundle reader(bundle, {"English.lproj"});
    (void)reader.objectForInfoDictionaryKey("CFBundleVersion");
    check(reader.localizedStringForKey("MSG_UNKNOWN KEY", "fallback", nullptr) == "fallback" ||
              !table.empty(),
          "a key in no table answers the given value");
    (void)reader.localizedStringForKey("MSG_APPNAME", "", nullptr);

    const auto dictionary = halix::readStringDictionary(bundle + "/Contents/Info.plist");
    check(dictionary.has_value() || !dictionary.error().message().empty(),
          "a refused dictionary file says why");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string info = input.ConsumeRandomLengthString();
    const std::string table = input.ConsumeRemainingBytesAsString();
    parseDictionary(info);
    parseDictionary(table);
    readBundle(info, table);
    return 0;
}
