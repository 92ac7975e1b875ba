#include "console/PortList.h"

#include "console/DialogBuilder.h"
#include "serial/PortEnumeration.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace kel {

bool IsVirtualBoardEntry(const QString& text) {
    return text == QLatin1String(kVirtualBoardEntry);
}

QStringList PortListEntries() {
    QStringList entries;
    for (const std::string& path : EnumerateSerialPorts())
        entries << QString::fromLocal8Bit(path);
    entries << QString::fromLatin1(kVirtualBoardEntry);
    return entries;
}

void RefillPortList(QComboBox* box, const QStringList& entries) {
    box->clear();
    for (const QString& entry : entries)
        AddString(box, entry);
    // A typed path is part of the previous choice, and goes with it.
    box->setCurrentIndex(-1);
    if (box->isEditable())
        box->setEditText(QString());
    // Device paths are longer than the box is wide: the open list shows them whole.
    QAbstractItemView* view = box->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() + 8);
}

std::string DevicePathOf(const QString& text) {
    const std::string path = text.trimmed().toLocal8Bit().toStdString();
    if (path.empty() || path.find('/') != std::string::npos)
        return path;
    return "/dev/" + path;
}

std::string OpenFailureLine(OpenError why, const std::string& path) {
    switch (why) {
    case OpenError::NoSuchDevice:
        return "Cannot open " + path + ": no such device.\r\n";
    case OpenError::PermissionDenied:
        return "Cannot open " + path +
               ": permission denied. Join the dialout group (sudo usermod -aG dialout $USER) "
               "and log in again.\r\n";
    case OpenError::Busy:
        return "Cannot open " + path + ": held by another program.\r\n";
    case OpenError::None:
    case OpenError::Other:
        break;
    }
    return "Cannot open " + path + ": not a serial device, or it cannot be opened.\r\n";
}

} // namespace kel
