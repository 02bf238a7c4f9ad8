// The open panel of the Qt front end: a file dialog for choosing one existing file.
#pragma once

#include "platform/appkit.h"

#include <QPointer>
#include <QWidget>

namespace halix {

class QtOpenPanel final : public OpenPanel {
public:
    explicit QtOpenPanel(QWidget* parent) : mParent(parent) {}

    // `types` null: any file. Otherwise files ending in one of the extensions (no dots).
    int runModalForDirectory(const std::string& directory, const std::string& file,
                             const std::vector<std::string>* types) override;
    [[nodiscard]] std::string filename() const override { return mFilename; }

private:
    QPointer<QWidget> mParent;
    std::string mFilename;
};

} // namespace halix
