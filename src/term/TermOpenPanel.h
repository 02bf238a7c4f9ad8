// The open panel of the terminal: asks its chooser for a file and keeps the answer.
#pragma once

#include "platform/appkit.h"

#include <functional>
#include <optional>
#include <string>

namespace halix {

// Asks for a file starting in `directory`; the full path, or nullopt when cancelled.
using FileChooser = std::function<std::optional<std::string>(const std::string& directory)>;

class TermOpenPanel final : public OpenPanel {
public:
    explicit TermOpenPanel(FileChooser chooser) : mChooser(std::move(chooser)) {}

    // Any file may be chosen, whatever `types` says: the utility checks the file it reads.
    int runModalForDirectory(const std::string& directory, const std::string& file,
                             const std::vector<std::string>* types) override;
    [[nodiscard]] std::string filename() const override { return mFilename; }

private:
    FileChooser mChooser;
    std::string mFilename;
};

} // namespace halix
