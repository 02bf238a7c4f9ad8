// The open panel of the terminal.
#include "term/TermOpenPanel.h"

namespace halix {

int TermOpenPanel::runModalForDirectory(const std::string& directory, const std::string& /*file*/,
                                        const std::vector<std::string>* /*types*/) {
    mFilename.clear();
    std::optional<std::string> chosen = mChooser ? mChooser(directory) : std::nullopt;
    if (!chosen) {
        return NSCancelButton;
    }
    mFilename = std::move(*chosen);
    return NSOKButton;
}

} // namespace halix
