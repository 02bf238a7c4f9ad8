#include "gui/QtFilePanel.h"

#include "gui/file_name_codec.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <sys/stat.h>

namespace halix {

namespace {

// A file dialog that also takes names Qt cannot decode. Qt checks the chosen file through its
// own encoding, which cannot reach such a name; the same checks are made on the name's bytes.
class ByteNameFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (files.isEmpty() || qtReaches(files.constFirst())) {
            QFileDialog::accept();
            return;
        }
        const QString& name = files.constFirst();
        struct stat info {};
        const bool exists = ::stat(fileSystemName(name).c_str(), &info) == 0;
        if (exists && S_ISDIR(info.st_mode)) {
            return; // Qt cannot enter it either
        }
        if (acceptMode() == AcceptOpen && !exists) {
            QMessageBox::warning(this, windowTitle(),
                                 QFileDialog::tr("%1\nFile not found.").arg(name));
            return;
        }
        if (acceptMode() == AcceptSave && exists &&
            QMessageBox::question(
                this, windowTitle(),
                QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(name)) !=
                QMessageBox::Yes) {
            return;
        }
        // Past Qt's checks, which would refuse the name.
        QDialog::accept(); // NOLINT(bugprone-parent-virtual-call)
    }
};

} // namespace

int QtFilePanel::run(QFileDialog& dialog, const std::string& file) {
    mFilename.clear();
    if (!file.empty()) {
        dialog.selectFile(qtFileName(file));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return NSCancelButton;
    }
    // The file system's own bytes, so that any name can be opened again.
    mFilename = fileSystemName(dialog.selectedFiles().constFirst());
    return NSOKButton;
}

int QtFilePanel::runModalForDirectory(const std::string& directory, const std::string& file,
                                      const std::vector<std::string>* types) {
    ByteNameFileDialog dialog(mParent, QFileDialog::tr("Open"), qtFileName(directory));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (types != nullptr) {
        QStringList patterns;
        for (const std::string& type : *types) {
            patterns << QStringLiteral("*.") + qtFileName(type);
        }
        dialog.setNameFilter(QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    return run(dialog, file);
}

int QtFilePanel::runModalForDirectory(const std::string& directory, const std::string& file) {
    ByteNameFileDialog dialog(mParent, QFileDialog::tr("Save As"), qtFileName(directory));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Asking before an existing file is replaced is the dialog's own default; kept explicit.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return run(dialog, file);
}

} // namespace halix
