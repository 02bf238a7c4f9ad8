// The open and save panels of the Qt front end: file dialogs for choosing one existing file,
// or where to save one (asking before an existing file is replaced), each titled by what it is
// for and offering the project's own files first, beside all files.
#pragma once

#include "platform/appkit.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

class QFileDialog;

namespace halix {

class QtFilePanel final : public OpenPanel, public SavePanel {
    Q_DECLARE_TR_FUNCTIONS(halix::QtFilePanel)

public:
    QtFilePanel(QWidget* parent, FilePurpose purpose) : mParent(parent), mPurpose(purpose) {}

    // The open panel. `types` null: any file. Otherwise files ending in one of the
    // extensions (no dots) are offered first, all files beside them.
    int runModalForDirectory(const std::string& directory, const std::string& file,
                             const std::vector<std::string>* types) override;
    // The save panel, proposing `file` in `directory`; files of its extension are offered
    // first.
    int runModalForDirectory(const std::string& directory, const std::string& file) override;
    [[nodiscard]] std::string filename() const override { return mFilename; }

private:
    int run(QFileDialog& dialog, const std::string& file, const QStringList& patterns);

    QPointer<QWidget> mParent;
    FilePurpose mPurpose;
    std::string mFilename;
};

} // namespace halix
