#include "gui/QtOpenPanel.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace halix {

int QtOpenPanel::runModalForDirectory(const std::string& directory, const std::string& file,
                                      const std::vector<std::string>* types) {
    mFilename.clear();
    QFileDialog dialog(mParent, QStringLiteral("Choose a Flash BIOS Image"),
                       QFile::decodeName(directory.c_str()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!file.empty()) {
        dialog.selectFile(QFile::decodeName(file.c_str()));
    }
    if (types != nullptr) {
        QStringList patterns;
        for (const std::string& type : *types) {
            patterns << QStringLiteral("*.") + QString::fromStdString(type);
        }
        dialog.setNameFilter(QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return NSCancelButton;
    }
    // The file system's own bytes, so that any name can be opened again.
    mFilename = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    return NSOKButton;
}

} // namespace halix
