// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The string table and the fixed texts of the application's resources (UTF-8).

namespace kel::res {

// String 101: the About entry of the window menu.
inline constexpr char kAboutMenuText[] = "关于 kelGuiTool(&A)...";

// The log entries of the context menu.
inline constexpr char kSaveLogAsMenuText[] = "Save Log As…";
inline constexpr char kOpenLogFolderMenuText[] = "Open Log Folder";
// The option of the context menu that connects again when the board is back.
inline constexpr char kReconnectMenuText[] = "Reconnect automatically";
// The windows beyond the dialog, in the context menu; "Sweep…" is also a button.
inline constexpr char kSweepMenuText[] = "RX Sweep…";
inline constexpr char kSweepButtonText[] = "Sweep…";
inline constexpr char kResultsMenuText[] = "Results…";
inline constexpr char kCalibrateMenuText[] = "Calibrate…";

// The program's name: the title of its message boxes and of its desktop entry.
inline constexpr char kApplicationName[] = "kelGuiTool";

// Where the settings would live; nothing is ever read or written there.
inline constexpr char kSettingsKey[] = "应用程序向导生成的本地应用程序";

// The application icon (resource 128) inside the Qt resources.
inline constexpr char kAppIconPath[] = ":/kelGuiTool/kelGuiTool.png";

} // namespace kel::res
