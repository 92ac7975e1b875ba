// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console dialog with a scripted prompter, driven as the user drives it:
// clicks, list choices and typing reach disabled controls not at all, and a
// connection goes through the Connect button. The read slice is short so that
// give-up paths stay fast; pass kel::ReadWatchdog::kSlice for the real one.

#include "ScriptedPrompter.h"
#include "console/CkelGuiToolDlg.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <string>

namespace kel::board {
class VirtualBoardHost;
}

// Long enough that a busy machine does not break a healthy exchange, short
// enough that a silent board gives up in a few seconds.
inline constexpr std::chrono::milliseconds kFixtureSlice{20};

class ConsoleFixture {
public:
    explicit ConsoleFixture(std::chrono::milliseconds slice = kFixtureSlice);
    ~ConsoleFixture();
    ConsoleFixture(const ConsoleFixture&) = delete;
    ConsoleFixture& operator=(const ConsoleFixture&) = delete;

    void Click(int id);
    // Picks a row of a list so that its selection-change handler runs.
    void Choose(int id, int row);
    // Sets the text of an edit or of an editable list's field.
    void Type(int id, const QString& text);

    QString Text(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    const QStringList& Messages() const { return prompts->messages; }

    // Chooses the chip model, types the device into the port box and clicks
    // Connect. True when the console is connected afterwards.
    bool Connect(int chipModel, const std::string& device);
    // The same through the port box's built-in virtual board entry.
    bool ConnectToVirtualBoard(int chipModel);
    // The dialog's built-in board; started on first use.
    kel::board::VirtualBoardHost& Board();

    std::shared_ptr<PromptLog> prompts = std::make_shared<PromptLog>();
    std::unique_ptr<CkelGuiToolDlg> dlg;
};
