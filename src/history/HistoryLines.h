// The lines of the history log: written here by the backup run, and read back here by whoever
// wants to know what the log says of a backup. A line is read only when it is exactly what
// this program writes; anything else (another version's lines, a line cut short, text that
// is not a log at all) reads as nothing, never as a wrong fact.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelbrook::HistoryLines {

// "<name> was backup saved as <backup> at <when>"
std::wstring Saved(const std::wstring& name, const std::wstring& backup, const std::wstring& when);
// "<name> was backup saved incompletely as <backup> at <when>: <failure>"
std::wstring SavedIncompletely(const std::wstring& name, const std::wstring& backup,
                               const std::wstring& when, const std::wstring& failure);
// "<name> could not be backup saved as <backup> at <when>: <failure>"
std::wstring NotSaved(const std::wstring& name, const std::wstring& backup,
                      const std::wstring& when, const std::wstring& failure);
// "<name> is unchanged since its backup <backup> at <when>"
std::wstring Unchanged(const std::wstring& name, const std::wstring& backup,
                       const std::wstring& when);
// "<name>: <n> older backup(s) moved to the Recycle Bin"
std::wstring Thinned(const std::wstring& name, int moved);

// "<name> was not backup saved: Publisher ended unexpectedly at <when>, before its backup was
// made" (not read back: it names no backup)
std::wstring PublisherEnded(const std::wstring& name, const std::wstring& when);
// "Publisher did not answer (a dialog may be open in it): no backup at <when>" (not read back)
std::wstring PublisherBusy(const std::wstring& when);

enum class EntryKind { Saved, SavedIncompletely, NotSaved, Unchanged, Thinned };

// One line read back. `backup` is empty for a thinning line, `when` too (it follows the line
// of the backup that thinned), `detail` is the failure of an incomplete or failed backup.
struct Entry {
    EntryKind kind = EntryKind::Saved;
    std::wstring name;
    std::wstring backup;
    std::wstring when;
    std::wstring detail;
    int moved = 0;
};

// A line as the backup run writes it, whose backup's name ends with `extension`; nothing for
// any other.
std::optional<Entry> Read(const std::wstring& line, const std::wstring& extension);
// Every line of the log's text (CR LF or LF between lines) that reads, in the log's order.
std::vector<Entry> ReadAll(const std::wstring& text, const std::wstring& extension);

}  // namespace kelbrook::HistoryLines
