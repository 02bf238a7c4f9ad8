#include "platform/posix/plist_dictionary.h"

#include "platform/posix/plist_ptr.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace halix {

namespace {

struct MallocFree {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): libplist hands out malloc'ed memory
    void operator()(void* memory) const { std::free(memory); }
};

} // namespace

PropertyDictionary stringEntries(plist_t dict) {
    PropertyDictionary entries;
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) {
        return entries;
    }
    plist_dict_iter rawIterator = nullptr;
    plist_dict_new_iter(dict, &rawIterator);
    const std::unique_ptr<void, MallocFree> iterator(rawIterator);
    while (iterator) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(dict, iterator.get(), &rawKey, &item);
        const std::unique_ptr<char, MallocFree> key(rawKey);
        if (!key) {
            break;
        }
        if (std::optional<std::string> value = plistString(item)) {
            entries.emplace(key.get(), std::move(*value));
        }
    }
    return entries;
}

Result<PropertyDictionary> readStringDictionary(const std::string& path) {
    const Result<PlistPtr> root = readPlistFile(path, kMaxPropertyListBytes);
    if (!root) {
        return root.error();
    }
    if (plist_get_node_type(root->get()) != PLIST_DICT) {
        return Failure("", path + " does not hold a dictionary");
    }
    return stringEntries(root->get());
}

} // namespace halix
