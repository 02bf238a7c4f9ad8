// The open and save panels of the Qt front end: file dialogs for choosing one existing file,
// or where to save one (asking before an existing file is replaced).
#pragma once

#include "platform/appkit.h"

#include <QPointer>
#include <QWidget>

class QFileDialog;

namespace halix {

class QtFilePanel final : public OpenPanel, public SavePanel {
public:
    explicit QtFilePanel(QWidget* parent) : mParent(parent) {}

    // The open panel. `types` null: any file. Otherwise files ending in one of the
    // extensions (no dots).
    int runModalForDirectory(const std::string& directory, const std::string& file,
                             const std::vector<std::string>* types) override;
    // The save panel, proposing `file` in `directory`.
    int runModalForDirectory(const std::string& directory, const std::string& file) override;
    [[nodiscard]] std::string filename() const override { return mFilename; }

private:
    int run(QFileDialog& dialog, const std::string& file);

    QPointer<QWidget> mParent;
    std::string mFilename;
};

} // namespace halix
