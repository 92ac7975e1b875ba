// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/SddExportFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Access as the effective user, so the answer matches what open() will do.
bool MayAccess(const QByteArray& path, int mode) {
    return faccessat(AT_FDCWD, path.constData(), mode, AT_EACCESS) == 0;
}

QString ExistingFileProblem(const QByteArray& native, const struct stat& info) {
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("It is a folder.");
    // A FIFO or a device would block or swallow the body.
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("It is not a regular file.");
    if (!MayAccess(native, W_OK))
        return ErrnoText(errno);
    return {};
}

QString NewFileProblem(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat info {};
    if (stat(folder.constData(), &info) != 0)
        return QStringLiteral("Its folder cannot be reached: ") + ErrnoText(errno);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("Its folder is not a folder.");
    if (!MayAccess(folder, W_OK | X_OK))
        return QStringLiteral("Its folder cannot be written: ") + ErrnoText(errno);
    return {};
}

} // namespace

QString ProposedSddFileName(const QDateTime& localTime) {
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    return QStringLiteral("ASICII_SDD_%1_%2_%3_%4_%5_%6.sdd")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(time.hour())
        .arg(time.minute())
        .arg(time.second());
}

QString SddTargetProblem(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return QStringLiteral("No file name was given.");
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (stat(native.constData(), &info) == 0)
        return ExistingFileProblem(native, info);
    if (errno != ENOENT)
        return ErrnoText(errno);
    return NewFileProblem(path);
}

int CreateSddTarget(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    return ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
}
