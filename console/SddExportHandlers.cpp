// SPDX-License-Identifier: GPL-3.0-or-later
// SDD file export: the board's SDD file dumped into a file the user chooses.

#include "console/CkelGuiToolDlg.h"
#include "console/ResultsRecorder.h"
#include "console/SddExportFile.h"
#include "rftest/CalibrationSteps.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kSddFilter = QStringLiteral("(*.sdd)");

QString CannotCreate(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot create the SDD file\n%1\n%2").arg(path, reason);
}

// The dump must still be read off the line when its file could not be
// created: left there, its "Sending CMD OK!" would answer the next command.
void DrainSddDump(kel::CommandContext& ctx) {
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    kel::rftest::ReadSddFile(ctx, sink);
    if (sink >= 0)
        ::close(sink);
}

} // namespace

void CkelGuiToolDlg::OnBnClickedExportSdd() {
    const QString proposed = ProposedSddFileName(QDateTime::currentDateTime());
    const QString folder = sddExportFolder.isEmpty() ? QDir::homePath() : sddExportFolder;
    const std::optional<QString> chosen = SaveFileName(proposed, kSddFilter, folder);
    if (!chosen)
        return;
    const QString path = *chosen;

    // Found out before the board is asked, so a bad choice costs nothing and
    // creates or truncates nothing.
    if (const QString problem = SddTargetProblem(path); !problem.isEmpty()) {
        MessageBox(CannotCreate(path, problem));
        return;
    }

    if (!Succeeded(kel::rftest::RequestSddFile(*this)))
        return;

    const int fd = CreateSddTarget(path);
    if (fd < 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        DrainSddDump(*this);
        MessageBox(CannotCreate(path, reason));
    } else {
        sddExportFolder = QFileInfo(path).absolutePath();
        kel::rftest::Failure failure = kel::rftest::ReadSddFile(*this, fd);
        // A failed close can lose what was written.
        if (::close(fd) != 0 && failure == nullptr)
            failure = kel::rftest::kSddDumpFailed;
        if (Succeeded(failure))
            results->Record(kel::rftest::MeasurementKind::SddExport, {}, path.toStdString());
    }

    AppendLogText(QStringLiteral("Save ascii sdd file on: \r\n") + path + QStringLiteral("\n"));
    UpdateData(false);
}
