// The history log: one line per backup copy, in a text file of the temporary folder, and
// the three commands of the main window that act on it.
#pragma once

#include <optional>
#include <string>

#include "core/Controls.h"
#include "core/Dialogs.h"
#include "core/Platform.h"

namespace kelbrook {

inline constexpr wchar_t kNoHistoryMessage[] =
    L"There isn't a history to view because actions have not been performed yet.";
inline constexpr wchar_t kClearHistoryQuestion[] =
    L"Are you sure you want to delete the history log and start over?";

// "TEMP" (empty when unset), "\", the product name without a last word "Software" and
// without file-name junk, ".txt".
std::wstring ComposeHistoryLogPath(const std::optional<std::wstring>& tempFolder);

// Adds one entry: opens the file for appending (creating it), writes the text and CR LF in
// the ANSI code page and closes it. Raises every failure to the caller.
void AppendHistoryLine(Files& files, const std::wstring& historyLogPath, const std::wstring& text);

struct HistoryPorts {
    Dialogs& dialogs;
    Files& files;
    Processes& processes;
    MessagePump& pump;
    Controls& controls;
};

namespace History {

// "View History Log": the log in the text editor, or a message that there is none yet.
void PushButton3_Click(HistoryPorts ports, const std::wstring& historyLogPath,
                       const std::wstring& applicationTitle);
// "Copy History To Clipboard": the whole log onto the clipboard as plain text.
void PushButton5_Click(HistoryPorts ports, const std::wstring& historyLogPath);
// "Clear History Log": deletes the log after the user says Yes.
void PushButton12_Click(HistoryPorts ports, const std::wstring& historyLogPath,
                        const std::wstring& applicationTitle);

}  // namespace History
}  // namespace kelbrook
