// In-memory stand-ins for the ports of the logic.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Controls.h"
#include "core/Dialogs.h"
#include "core/Failure.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "backup/AddFolder.h"
#include "backup/Calendar.h"
#include "FakePublisher.h"
#include "backup/PublisherAutomation.h"
#include "startup/RunKey.h"
#include "support/RandomSource.h"

namespace kelbrook::testing {

struct ShownMessage {
    std::wstring text;
    std::wstring caption;
    MessageButtons buttons;
    MessageIcon icon;
};

class FakeDialogs : public Dialogs {
  public:
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageButtons buttons, MessageIcon icon) override {
        if (failing) throw Failure(L"Not enough memory to show the message");
        shown.push_back({text, caption, buttons, icon});
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        return answerYes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    std::vector<ShownMessage> shown;
    bool answerYes = true;
    bool failing = false;
};

class FakeSettings : public SettingsStore {
  public:
    std::optional<std::wstring> Read(const std::wstring& key) override {
        if (failingReads.count(key)) throw Failure(L"Cannot read " + key);
        auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void Write(const std::wstring& key, const std::wstring& value) override {
        if (failingWrites) throw Failure(L"Access is denied");
        values[key] = value;
        writes.push_back(key + L"=" + value);
    }
    std::map<std::wstring, std::wstring> values;
    std::set<std::wstring> failingReads;
    bool failingWrites = false;
    std::vector<std::wstring> writes;
};

class FakeFiles : public Files {
  public:
    bool ReadTimestamp(const std::wstring& path) override { return contents.count(path) > 0; }
    bool DeleteOrdinary(const std::wstring& path) override {
        calls.push_back(L"delete " + path);
        if (!contents.count(path) || readOnly.count(path)) return false;
        contents.erase(path);
        return true;
    }
    void DeleteForced(const std::wstring& path) override {
        calls.push_back(L"force " + path);
        if (!contents.count(path)) throw Failure(L"File not found");
        contents.erase(path);
        readOnly.erase(path);
    }
    std::string ReadAll(const std::wstring& path) override {
        auto it = contents.find(path);
        if (it == contents.end()) throw Failure(L"File not found");
        return it->second;
    }
    std::wstring ReadAnsiText(const std::wstring& path) override {
        const std::string bytes = ReadAll(path);
        return std::wstring(bytes.begin(), bytes.end());
    }
    void AppendAnsiLine(const std::wstring& path, const std::wstring& text) override {
        if (failingAppends) throw Failure(L"Path not found");
        contents[path] += std::string(text.begin(), text.end()) + "\r\n";
    }
    void MoveReplacing(const std::wstring& from, const std::wstring& to) override {
        calls.push_back(L"move " + from + L" -> " + to);
        auto it = contents.find(from);
        if (it == contents.end()) throw Failure(L"File not found");
        if (readOnly.count(to)) throw Failure(L"Access is denied");
        if (inUse && inUse(from)) {
            throw Failure(
                L"The process cannot access the file because it is being used by "
                L"another process.");
        }
        contents[to] = it->second;
        contents.erase(from);
        // A rename keeps the file's last-write time; a file written by SaveAs (the fake keeps
        // no time for it) counts as written now. So with its creation time.
        times[to] = times.count(from) ? times[from] : ++tick;
        times.erase(from);
        Created(to, created.count(from) ? std::optional(created[from]) : std::nullopt);
        created.erase(from);
    }
    std::int64_t CreationTime(const std::wstring& path) override {
        auto it = created.find(path);
        if (!contents.count(path) || it == created.end()) throw Failure(L"File not found");
        return it->second;
    }
    // Creation times (100 ns since 1601, UTC), where known; `creationClock` gives the time of
    // a file the run creates (copied, or renamed from a file SaveAs wrote).
    std::map<std::wstring, std::int64_t> created;
    std::function<std::int64_t()> creationClock;
    std::int64_t LastWriteTime(const std::wstring& path) override {
        auto it = times.find(path);
        if (it == times.end()) throw Failure(L"File not found");
        return it->second;
    }
    std::wstring TemporaryFolder() override { return L"C:\\Temp"; }
    bool CopySettled(const std::wstring& from, const std::wstring& to) override {
        calls.push_back(L"copy " + from + L" -> " + to);
        if (!contents.count(from) || unreadable.count(from)) return false;
        if (changing.count(from)) return false;  // written while it was copied
        if (readOnly.count(to)) throw Failure(L"Access is denied");
        contents[to] = contents[from];
        times[to] = times.count(from) ? times[from] : ++tick;  // the source's last-write time
        Created(to, std::nullopt);
        return true;
    }
    std::set<std::wstring> unreadable, changing;
    std::function<bool(const std::wstring&)> inUse;  // a file another process holds open
    std::vector<std::wstring> FilesStartingWith(const std::wstring& folder,
                                                const std::wstring& prefix) override {
        std::vector<std::wstring> found;
        const std::wstring start = folder + L"\\" + prefix;
        for (const auto& [path, bytes] : contents) {
            if (path.rfind(start, 0) == 0 &&
                path.find(L'\\', folder.size() + 1) == std::wstring::npos)
                found.push_back(path);
        }
        return found;
    }
    Recycled MoveToRecycleBin(const std::wstring& path) override {
        if (!contents.count(path) || readOnly.count(path)) throw Failure(L"Cannot recycle " + path);
        if (deletedForGood(path)) return Recycled::Refused;
        recycled.push_back(path);
        contents.erase(path);
        times.erase(path);
        created.erase(path);
        return Recycled::Moved;
    }
    std::vector<std::wstring> recycled;
    // Files the Recycle Bin would delete for good (set to remove files at once, or too large).
    std::function<bool(const std::wstring&)> deletedForGood = [](const std::wstring&) {
        return false;
    };
    std::pair<std::wstring, bool> RecycleBinOf(const std::wstring& folder) override {
        const std::wstring volume = folder.substr(0, 3);
        return {volume, !withoutRecycleBin.count(volume)};
    }
    std::set<std::wstring> withoutRecycleBin;  // volumes
    std::uint64_t FileSize(const std::wstring& path) override {
        auto it = contents.find(path);
        if (it == contents.end()) throw Failure(L"File not found");
        return it->second.size();
    }
    std::pair<std::uint64_t, std::wstring> FreeSpace(const std::wstring& folder) override {
        if (folder.size() < 3) throw Failure(L"The path is not valid");
        const std::wstring volume = folder.substr(0, 3);
        const auto own = freeOn.find(volume);
        return {own != freeOn.end() ? own->second : freeBytes, volume};
    }
    std::uint64_t freeBytes = 1ULL << 40;
    std::map<std::wstring, std::uint64_t> freeOn;  // by volume, where not freeBytes
    std::map<std::wstring, std::int64_t> times;    // last-write times
    std::int64_t tick = 100;
    std::map<std::wstring, std::string> contents;
    std::set<std::wstring> readOnly;
    std::vector<std::wstring> calls;
    bool failingAppends = false;

  private:
    void Created(const std::wstring& path, std::optional<std::int64_t> time) {
        if (!time && creationClock) time = creationClock();
        if (time) {
            created[path] = *time;
        } else {
            created.erase(path);
        }
    }
};

class FakeProcesses : public Processes {
  public:
    std::wstring ProgramFolder() override { return programFolder; }
    std::wstring ExecutablePath() override { return executablePath; }
    std::optional<std::wstring> Environment(const std::wstring& name) override {
        auto it = environment.find(name);
        if (it == environment.end()) return std::nullopt;
        return it->second;
    }
    void Start(const std::wstring& commandLine, ShowState show) override {
        if (failStart) throw Failure(L"File not found");
        started.push_back({commandLine, show});
    }
    bool failStart = false;
    std::wstring programFolder = L"C:\\Program Files\\Kelbrook";
    std::wstring executablePath = L"C:\\Program Files\\Kelbrook\\Kelbrook.exe";
    std::map<std::wstring, std::wstring> environment{{L"TEMP", L"C:\\Temp"}};
    std::vector<std::pair<std::wstring, ShowState>> started;
};

class FakeShell : public ShellFolders {
  public:
    std::wstring SpecialFolderPath(int csidl) override { return csidl == 0 ? desktop : L""; }
    std::wstring desktop = L"C:\\Users\\pat\\Desktop";
};

class FakeDebugOutput : public DebugOutput {
  public:
    void Write(const std::wstring& text) override { lines.push_back(text); }
    std::vector<std::wstring> lines;
};

class FakePump : public MessagePump {
  public:
    void ProcessPending() override {
        ++passes;
        if (onPump) onPump();
    }
    std::int64_t NowMilliseconds() override { return now; }
    // Time passes while the user interface waits; `atTime` runs once the clock has reached it.
    void WaitForMessages(int milliseconds) override {
        ++waits;
        now += milliseconds < 100 ? milliseconds : 100;
        if (atTime && now >= atTimeMs) std::exchange(atTime, nullptr)();
    }
    int passes = 0, waits = 0;
    std::int64_t now = 1000000;
    std::function<void()> onPump;
    std::function<void()> atTime;
    std::int64_t atTimeMs = 0;
};

class FakeFolderPicker : public FolderPicker {
  public:
    std::wstring PickFolder(const std::wstring& prompt, const std::wstring& startFolder) override {
        prompts.push_back(prompt);
        starts.push_back(startFolder);
        if (onPick) onPick();
        if (fail) throw Failure(L"The folder dialog failed");
        if (answers.empty()) return L"";
        std::wstring answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<std::wstring> answers;  // "" is a cancel
    std::vector<std::wstring> prompts, starts;
    bool fail = false;
    std::function<void()> onPick;
};

// The system clipboard of the fake Publisher's world.
class FakeClipboard : public Clipboard {
  public:
    explicit FakeClipboard(FakePublisherWorld& world) : world_(world) {}
    std::unique_ptr<ClipboardSnapshot> TakeSnapshot() override {
        ++snapshots;
        if (failingSnapshots > 0) {
            --failingSnapshots;
            throw Failure(L"Cannot open the clipboard (another program may hold it)");
        }
        return std::make_unique<Snapshot>(*this, world_.clipboardText, world_.clipboardShapes);
    }
    bool WaitUntilFree() override { return true; }
    int snapshots = 0, restores = 0;
    int failingSnapshots = 0;  // the next this many snapshots fail

  private:
    struct Snapshot : ClipboardSnapshot {
        Snapshot(FakeClipboard& owner, std::optional<std::wstring> text,
                 std::optional<std::vector<standin::Shape>> shapes)
            : owner(owner), text(std::move(text)), shapes(std::move(shapes)) {}
        void Restore() override {
            ++owner.restores;
            owner.world_.clipboardText = text;
            owner.world_.clipboardShapes = shapes;
        }
        FakeClipboard& owner;
        std::optional<std::wstring> text;
        std::optional<std::vector<standin::Shape>> shapes;
    };
    FakePublisherWorld& world_;
};

// A clock that reads the next of its times at each call (the last one stays), formatting as
// United States English does.
class FakeClock : public Clock {
  public:
    LocalTime Now() override {
        ++readings;
        LocalTime now = last = times.front();
        if (times.size() > 1) times.erase(times.begin());
        return now;
    }
    std::wstring FormatDate(const LocalTime& t, const std::wstring& picture) override {
        if (picture != L"MMM d yyyy") throw Failure(L"unexpected date picture " + picture);
        if (t.year < 1601) throw Failure(L"The parameter is incorrect.");  // as Windows
        static const wchar_t* kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                           L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
        return std::wstring(kMonths[t.month - 1]) + L" " + std::to_wstring(t.day) + L" " +
               std::to_wstring(t.year);
    }
    std::wstring FormatTime(const LocalTime& t, const std::wstring& picture) override {
        if (picture == L"h:mm tt")
            return std::to_wstring(Hour12(t)) + L":" + Two(t.minute) + L" " + AmPm(t);
        if (picture != L"hh mm ss tt") throw Failure(L"unexpected time picture " + picture);
        return Two(Hour12(t)) + L" " + Two(t.minute) + L" " + Two(t.second) + L" " + AmPm(t);
    }
    std::wstring FormatGeneralDate(const LocalTime& t) override {
        return std::to_wstring(t.month) + L"/" + std::to_wstring(t.day) + L"/" +
               std::to_wstring(t.year) + L" " + std::to_wstring(Hour12(t)) + L":" + Two(t.minute) +
               L":" + Two(t.second) + L" " + AmPm(t);
    }
    // Moments by a zone's rules: UTC unless a test gives its own.
    std::vector<std::int64_t> MomentsOf(const LocalTime& t) override {
        if (zone) return zone(t);
        return {Calendar::Seconds(t)};
    }
    // The moment of the last reading (the first time while none was read), the later of two.
    std::int64_t NowMoment() override {
        if (nowMoment) return *nowMoment;
        const std::vector<std::int64_t> moments = MomentsOf(readings ? last : times.front());
        if (moments.empty()) throw Failure(L"a time the clock cannot show");
        return moments.back();
    }
    std::vector<LocalTime> times{LocalTime{2021, 9, 1, 14, 5, 9, 0}};
    int readings = 0;
    LocalTime last;
    std::function<std::vector<std::int64_t>(const LocalTime&)> zone;
    std::optional<std::int64_t> nowMoment;
    std::wstring am = L"AM", pm = L"PM";  // the locale's designators; empty in many

  private:
    static int Hour12(const LocalTime& t) { return t.hour % 12 == 0 ? 12 : t.hour % 12; }
    std::wstring AmPm(const LocalTime& t) const { return t.hour < 12 ? am : pm; }
    static std::wstring Two(int n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); }
};

class FakeRunKey : public RunKey {
  public:
    bool SetValue(RunKeyScope scope, const std::wstring& name, const std::wstring& data) override {
        (scope == RunKeyScope::Machine ? machine : user)[name] = data;
        return true;
    }
    bool DeleteValue(RunKeyScope scope, const std::wstring& name) override {
        (scope == RunKeyScope::Machine ? machine : user).erase(name);
        return true;
    }
    std::map<std::wstring, std::wstring> machine, user;
};

// Draws that never land on the home page's number unless a test gives its own.
class FakeRandom : public RandomSource {
  public:
    double NextUnit() override { return draws.empty() ? 0.5 : Take(); }
    std::vector<double> draws;

  private:
    double Take() {
        const double d = draws.front();
        draws.erase(draws.begin());
        return d;
    }
};

class FakeControls : public Controls {
  public:
    explicit FakeControls(ControlEvents* events = nullptr) : events_(events) {}
    void Connect(ControlEvents* events) { events_ = events; }

    std::wstring Caption(ControlId id) const override {
        auto it = captions.find(id);
        return it == captions.end() ? L"" : it->second;
    }
    void SetCaption(ControlId id, const std::wstring& caption) override {
        captions[id] = caption;
        log.push_back(L"caption");
        if (id == ControlId::Text1 && events_) events_->Change(id);
    }
    bool Value(ControlId id) const override { return values.count(id) && values.at(id); }
    void SetValue(ControlId id, bool value) override {
        if (failingValues.count(id)) throw Failure(L"Control failure");
        if (IsOptionButton(id)) {
            if (!value) {
                values[id] = false;
                return;
            }
            values[id] = true;
            values[OptionPartner(id)] = false;
            if (events_) events_->Click(id);
            return;
        }
        const bool changed = Value(id) != value;
        values[id] = value;
        if (changed && events_) events_->Click(id);
    }
    bool Visible(ControlId id) const override { return !hidden.count(id); }
    bool Enabled(ControlId id) const override { return !disabled.count(id); }
    void SetEnabled(ControlId id, bool enabled) override {
        if (enabled) {
            disabled.erase(id);
        } else {
            disabled.insert(id);
        }
    }
    std::set<ControlId> disabled;
    void SetVisible(ControlId id, bool visible) override {
        if (visible) {
            hidden.erase(id);
        } else {
            hidden.insert(id);
        }
    }
    void SetBackColor(ControlId id, Color color) override { backColors[id] = color; }
    void SetSelectionStart(ControlId id, int start) override {
        if (failingValues.count(id)) throw Failure(L"Control failure");
        selectionStart = start;
        selectionLength = 0;
    }
    void SetSelectionLength(ControlId id, int length) override {
        if (failingValues.count(id)) throw Failure(L"Control failure");
        selectionLength = length;
    }
    void CopySelection(ControlId id) override {
        const std::wstring text = Caption(id);
        const auto start =
            static_cast<std::size_t>(std::min<int>(selectionStart, static_cast<int>(text.size())));
        clipboard = text.substr(start, static_cast<std::size_t>(selectionLength));
        log.push_back(L"copy");
    }
    void AddListColumn(const std::wstring& header) override { columns.push_back(header); }
    void SetListColumnWidth(int twips) override { columnWidth = twips; }
    void AddListRow(const std::wstring& text) override { rows.push_back(text); }
    int ListRowCount() const override { return static_cast<int>(rows.size()); }
    int SelectedListRow() const override { return selectedRow; }
    void SelectListRow(int row) override {
        if (row < 1 || row > ListRowCount()) throw Failure(L"Index out of bounds");
        selectedRow = row;
    }
    std::wstring ListRowText(int row) const override { return rows.at(row - 1); }
    int ProgressMax() const override { return progressMax; }
    void SetProgressMax(int max) override { progressMax = max; }
    int ProgressValue() const override { return progressValue; }
    void SetProgressValue(int value) override { progressValue = value; }
    int TimerInterval() const override { return timerInterval; }
    void SetTimerInterval(int milliseconds) override {
        if (failTimer) throw Failure(L"Timer failure");
        timerInterval = milliseconds;
    }
    void ShowWindow() override {
        windowShown = true;
        log.push_back(L"show");
    }
    WindowState GetWindowState() const override { return windowState; }
    void SetWindowState(WindowState state) override {
        const bool changed = windowState != state;
        windowState = state;
        if (changed && events_) events_->Resize();
    }
    void SetFocus() override { ++focusCount; }
    void Close() override { ++closeRequests; }
    int closeRequests = 0;
    void SetApplicationIcon() override { ++iconSets; }
    void LoadCustomPointer(const std::wstring& path) override {
        if (badCursors.count(path)) throw Failure(L"Invalid picture");
        customPointer = path;
    }
    void SetPointer(Pointer p) override { pointer = p; }
    void ApplySkinStyle(const SkinStyle& style) override {
        skin = style;
        log.push_back(L"skin");
    }

    std::map<ControlId, std::wstring> captions;
    std::map<ControlId, bool> values;
    std::set<ControlId> hidden;
    std::set<ControlId> failingValues;
    std::map<ControlId, Color> backColors;
    int selectionStart = 0, selectionLength = 0;
    std::optional<std::wstring> clipboard;
    std::vector<std::wstring> columns;
    int columnWidth = 0;
    std::vector<std::wstring> rows;
    int selectedRow = 0;
    int progressMax = 100, progressValue = 0;
    int timerInterval = 0;
    bool failTimer = false;
    bool windowShown = false;
    WindowState windowState = WindowState::Normal;
    int focusCount = 0, iconSets = 0;
    std::set<std::wstring> badCursors;
    std::wstring customPointer;
    Pointer pointer = Pointer::Default;
    std::optional<SkinStyle> skin;
    std::vector<std::wstring> log;

  private:
    ControlEvents* events_;
};

}  // namespace kelbrook::testing
