// SPDX-License-Identifier: GPL-3.0-or-later
// Tone Start and TX Start with an instrument set: its reading in the log
// pane and in the results store.

#include "console/BenchInstrument.h"
#include "console/CkelGuiToolDlg.h"
#include "console/LinkWatcher.h"
#include "console/ResultsRecorder.h"

void CkelGuiToolDlg::MeasureWithInstrument(bool tone) {
    if (!instrument || !instrument->Configured())
        return;
    // The Channel list shows a channel from before the connection until one
    // is chosen; the error is only meaningful against the board's own.
    const std::optional<int> channel = linkWatcher->chosen.channel;
    if (!channel) {
        AppendLog("Instrument: not measured: choose the channel in the Channel list first "
                  "(the board's channel is not known)\r\n");
        return;
    }
    const BenchInstrument::Reading reading =
        tone ? instrument->MeasureTone(*channel) : instrument->MeasurePower(*channel);
    AppendLog(reading.line + "\r\n");
    if (reading.measurement)
        results->RecordMeasured(*reading.measurement);
}
