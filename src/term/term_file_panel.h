// The open and save panels of the terminal: each asks its chooser for a file and keeps the
// answer.
#pragma once

#include "platform/appkit.h"

#include <functional>
#include <optional>
#include <string>

namespace halix {

// Asks for a file starting in `directory`, proposing `file` as its name (empty for an open
// panel); the full path, or nullopt when cancelled.
using FileChooser = std::function<std::optional<std::string>(const std::string& directory,
                                                             const std::string& file)>;

class TermFilePanel final : public OpenPanel, public SavePanel {
public:
    explicit TermFilePanel(FileChooser chooser) : mChooser(std::move(chooser)) {}

    // Any file may be chosen, whatever `types` says: the utility checks the file it reads.
    int runModalForDirectory(const std::string& directory, const std::string& file,
                             const std::vector<std::string>* types) override;
    int runModalForDirectory(const std::string& directory, const std::string& file) override;
    [[nodiscard]] std::string filename() const override { return mFilename; }

private:
    FileChooser mChooser;
    std::string mFilename;
};

} // namespace halix
