// Pending recoveries: the publications whose unsaved work a backup may hold after the user's
// Publisher ended unexpectedly, kept until the user opens or dismisses each; what Kelbrook
// tells the user of them; and how they are stored in the settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Globals.h"
#include "core/Platform.h"

namespace kelbrook::Recovery {

inline constexpr wchar_t kEndedTitle[] = L"Publisher closed unexpectedly";
// Settings: the publications the last run saw with unsaved changes, the pending recoveries,
// and "1" while a session of the program runs ("0" once it has ended as it should).
inline constexpr wchar_t kLastRunUnsavedKey[] = L"Last Run Unsaved";
inline constexpr wchar_t kPendingKey[] = L"Pending Recoveries";
inline constexpr wchar_t kSessionOpenKey[] = L"Session Open";

using PendingRecovery = SeenUnsaved;

// One line per publication, its fields separated by "|", which no path or file name holds:
// "<yyyy-mm-dd hh:mm:ss>|<0 or 1: incomplete>|<full name>|<name>|<backup>|<last complete>".
std::wstring Encode(const std::vector<SeenUnsaved>& publications);
// A line that does not read so is left out, never guessed at.
std::vector<SeenUnsaved> Decode(const std::wstring& text);

// The publications an unexpected end concerns join those pending: one entry per publication,
// the newer knowledge of one already pending taking its place.
void AddPending(std::vector<PendingRecovery>& pending, const std::vector<SeenUnsaved>& ended);
// The user opened or dismissed it.
void RemovePending(std::vector<PendingRecovery>& pending, const std::wstring& fullName);

// The balloon's text: for one publication what its newest backup holds and what may be
// missing, for several their names.
std::wstring NoticeText(const std::vector<PendingRecovery>& pending, Clock& clock);
// "Recover News.pub…", the tray menu's item.
std::wstring MenuText(const PendingRecovery& recovery);
// The main window's line while recoveries are pending.
std::wstring LineText(const std::vector<PendingRecovery>& pending);
// The tray tip while recoveries are pending.
std::wstring TrayTip(const std::vector<PendingRecovery>& pending);

}  // namespace kelbrook::Recovery
