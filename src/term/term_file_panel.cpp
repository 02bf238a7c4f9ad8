// The open and save panels of the terminal.
#include "term/term_file_panel.h"

namespace halix {

int TermFilePanel::runModalForDirectory(const std::string& directory, const std::string& file,
                                        const std::vector<std::string>* /*types*/) {
    return runModalForDirectory(directory, file);
}

int TermFilePanel::runModalForDirectory(const std::string& directory, const std::string& file) {
    mFilename.clear();
    std::optional<std::string> chosen = mChooser ? mChooser(directory, file) : std::nullopt;
    if (!chosen) {
        return NSCancelButton;
    }
    mFilename = std::move(*chosen);
    return NSOKButton;
}

} // namespace halix
