#include "gui/qt_file_panel.h"

#include "gui/file_name_codec.h"

#include <QFileDialog>
#include <QFileInfo>
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

namespace {

// The panel's title: what the person chooses there.
QString panelTitle(FilePurpose purpose) {
    switch (purpose) {
    case FilePurpose::ImageToWrite:
        return QtFilePanel::tr("Choose the Image to Write to the Flash");
    case FilePurpose::ImageToVerify:
        return QtFilePanel::tr("Choose the Image to Compare the Flash With");
    case FilePurpose::FlashCopy:
        return QtFilePanel::tr("Save a Copy of the Flash");
    case FilePurpose::SettingsToLoad:
        return QtFilePanel::tr("Choose the Settings to Load");
    case FilePurpose::SettingsToSave:
        return QtFilePanel::tr("Save the Settings");
    }
    return {};
}

// The filter of the files the panel is for, `patterns` ("*.bin") in its parentheses.
QString projectFilter(FilePurpose purpose, const QStringList& patterns) {
    QString shown = patterns.join(QLatin1Char(' '));
    switch (purpose) {
    case FilePurpose::ImageToWrite:
    case FilePurpose::ImageToVerify:
        return QtFilePanel::tr("Flash BIOS images (%1)").arg(shown);
    case FilePurpose::FlashCopy:
        return QtFilePanel::tr("Copies of the flash (%1)").arg(shown);
    case FilePurpose::SettingsToLoad:
    case FilePurpose::SettingsToSave:
        return QtFilePanel::tr("Halix Utility settings (%1)").arg(shown);
    }
    return shown;
}

} // namespace

int QtFilePanel::run(QFileDialog& dialog, const std::string& file, const QStringList& patterns) {
    dialog.setWindowTitle(panelTitle(mPurpose));
    QStringList filters;
    if (!patterns.isEmpty()) {
        filters << projectFilter(mPurpose, patterns);
    }
    dialog.setNameFilters(filters << tr("All files (*)"));
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
    ByteNameFileDialog dialog(mParent, QString(), qtFileName(directory));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList patterns;
    if (types != nullptr) {
        for (const std::string& type : *types) {
            patterns << QStringLiteral("*.") + qtFileName(type);
        }
    }
    return run(dialog, file, patterns);
}

int QtFilePanel::runModalForDirectory(const std::string& directory, const std::string& file) {
    ByteNameFileDialog dialog(mParent, QString(), qtFileName(directory));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Asking before an existing file is replaced is the dialog's own default; kept explicit.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    const QString extension = QFileInfo(qtFileName(file)).suffix();
    return run(dialog, file,
               extension.isEmpty() ? QStringList() : QStringList{QStringLiteral("*.") + extension});
}

} // namespace halix
