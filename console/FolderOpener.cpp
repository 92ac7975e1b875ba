// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/FolderOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

class DesktopFolderOpener : public FolderOpener {
public:
    bool OpenFolder(const QString& path) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

} // namespace

std::unique_ptr<FolderOpener> MakeDesktopFolderOpener() {
    return std::make_unique<DesktopFolderOpener>();
}
