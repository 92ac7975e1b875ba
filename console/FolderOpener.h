// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shows a folder in the desktop's file manager. The dialog goes through this
// seam so tests can record what would be opened instead of starting one.

#include <QString>
#include <memory>

class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    // False when no file manager could be asked.
    virtual bool OpenFolder(const QString& path) = 0;
};

// The running application's: QDesktopServices.
std::unique_ptr<FolderOpener> MakeDesktopFolderOpener();
