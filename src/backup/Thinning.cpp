#include "backup/Thinning.h"

#include <map>
#include <tuple>
#include <utility>

#include "backup/Calendar.h"

namespace kelbrook::Thinning {

namespace {

using Calendar::kDay;
using Calendar::kHour;

std::int64_t FloorDiv(std::int64_t value, std::int64_t by) {
    return value / by - (value % by != 0 && value < 0 ? 1 : 0);
}

// The spans a backup belongs to, by the time in its name: its clock hour, its calendar day and
// its week (Monday to Sunday).
enum Span { ClockHour, CalendarDay, Week };
std::int64_t SpanOf(Span span, std::int64_t time) {
    const std::int64_t days = FloorDiv(time, kDay);
    return span == ClockHour     ? FloorDiv(time, kHour)
           : span == CalendarDay ? days
                                 : Calendar::MondayOf(days);
}

bool Newer(const StampedBackup& a, const StampedBackup& b) {
    return a.moment > b.moment || (a.moment == b.moment && a.path > b.path);
}

}  // namespace

std::vector<StampedBackup> ParseBackups(const std::vector<std::wstring>& paths,
                                        const std::wstring& stem, const std::wstring& extension,
                                        BackupName::StampReader& reader) {
    std::vector<StampedBackup> found;
    for (const std::wstring& path : paths) {
        const auto stamped = BackupName::ReadTimeStamped(path, stem, extension, reader);
        if (stamped) {
            found.push_back({path, stamped->made.local, stamped->made.moment, stamped->incomplete});
        }
    }
    return found;
}

std::vector<std::wstring> ToThin(const std::vector<StampedBackup>& backups, std::int64_t now) {
    // The newest backup of each span, complete and incomplete copies apart.
    std::map<std::tuple<bool, Span, std::int64_t>, const StampedBackup*> newest;
    for (const StampedBackup& backup : backups) {
        for (const Span span : {ClockHour, CalendarDay, Week}) {
            const StampedBackup*& kept =
                newest[{backup.incomplete, span, SpanOf(span, backup.local)}];
            if (!kept || Newer(backup, *kept)) kept = &backup;
        }
    }
    const auto newestOf = [&](Span span, const StampedBackup& backup) {
        return newest[{backup.incomplete, span, SpanOf(span, backup.local)}] == &backup;
    };
    std::vector<std::wstring> thinned;
    for (const StampedBackup& backup : backups) {
        const std::int64_t age = now - backup.moment;
        const bool kept = age < kHour  // the last hour's, and any ahead of the clock
                          || (age < kDay && newestOf(ClockHour, backup)) ||
                          (age < 30 * kDay && newestOf(CalendarDay, backup)) ||
                          newestOf(Week, backup);
        if (!kept) thinned.push_back(backup.path);
    }
    return thinned;
}

}  // namespace kelbrook::Thinning
