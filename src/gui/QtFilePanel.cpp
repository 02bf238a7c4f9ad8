#include "gui/QtFilePanel.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace halix {

int QtFilePanel::run(QFileDialog& dialog, const std::string& file) {
    mFilename.clear();
    if (!file.empty()) {
        dialog.selectFile(QFile::decodeName(file.c_str()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return NSCancelButton;
    }
    // The file system's own bytes, so that any name can be opened again.
    mFilename = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    return NSOKButton;
}

int QtFilePanel::runModalForDirectory(const std::string& directory, const std::string& file,
                                      const std::vector<std::string>* types) {
    QFileDialog dialog(mParent, QFileDialog::tr("Open"), QFile::decodeName(directory.c_str()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (types != nullptr) {
        QStringList patterns;
        for (const std::string& type : *types) {
            patterns << QStringLiteral("*.") + QString::fromStdString(type);
        }
        dialog.setNameFilter(QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    return run(dialog, file);
}

int QtFilePanel::runModalForDirectory(const std::string& directory, const std::string& file) {
    QFileDialog dialog(mParent, QFileDialog::tr("Save As"), QFile::decodeName(directory.c_str()));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Asking before an existing file is replaced is the dialog's own default; kept explicit.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return run(dialog, file);
}

} // namespace halix
