// The Backups window's list: the catalogue built on a thread of its own, taken into the list
// and its filter, and built again when a run has written to the history log.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include "core/Failure.h"
#include "core/win32/Win32Files.h"
#include "recovery/win32/BackupsWindow.h"

namespace kelbrook::win32 {

namespace {

// What the thread that builds a catalogue is given; freed by the thread.
struct CatalogueTask {
    std::shared_ptr<CatalogueHandOver> handOver;
    HWND window;
    Recovery::CatalogueSources sources;
};

DWORD WINAPI CatalogueThread(void* parameter) {
    std::unique_ptr<CatalogueTask> task(static_cast<CatalogueTask*>(parameter));
    Win32Files files;
    Win32Clock clock;
    Win32BackupFolders folders;
    std::vector<Recovery::BackupRow> rows;
    try {
        rows = Recovery::Catalogue({files, folders, clock}, task->sources);
    } catch (...) {
        // No memory for the rows (a log of many millions of lines): an empty list.
    }
    ::AcquireSRWLockExclusive(&task->handOver->lock);
    task->handOver->rows = std::move(rows);
    ::ReleaseSRWLockExclusive(&task->handOver->lock);
    ::PostMessageW(task->window, kCatalogueReady, 0, 0);
    return 0;
}

}  // namespace

// ---- the catalogue, built on its own thread ---------------------------------------------

void BackupsWindowImpl::StartRefresh() {
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    refreshing_ = true;
    refreshAgain_ = false;
    current_ = sources_();
    LogChanged();  // what the log is now: a later change is a later run
    ::SetWindowTextW(Child(kBackupsStatus), L"Looking for backups\x2026");
    auto task = std::make_unique<CatalogueTask>(CatalogueTask{handOver_, window_, current_});
    worker_.reset(::CreateThread(nullptr, 0, &CatalogueThread, task.get(), 0, nullptr));
    if (!worker_) {
        refreshing_ = false;
        ThrowLastError(L"Looking for backups");
    }
    task.release();  // the thread's now
}

void BackupsWindowImpl::TakeCatalogue() {
    std::optional<std::vector<Recovery::BackupRow>> rows;
    ::AcquireSRWLockExclusive(&handOver_->lock);
    rows.swap(handOver_->rows);
    ::ReleaseSRWLockExclusive(&handOver_->lock);
    if (!rows) return;
    if (worker_) ::WaitForSingleObject(worker_.get(), INFINITE);  // it has posted: it is ending
    worker_.reset();
    const Recovery::BackupRow* selected = Selected();
    const std::wstring keep = selected ? selected->path : L"";
    rows_ = std::move(*rows);
    Recovery::Sort(rows_, order_);
    refreshing_ = false;
    FillFilter();
    ShowRows(keep);
    std::size_t greyed = 0;
    for (const Recovery::BackupRow& row : rows_) greyed += row.Greyed() ? 1 : 0;
    const std::wstring status = std::to_wstring(rows_.size() - greyed) + L" backups of " +
                                std::to_wstring(publications_.size()) + L" publications" +
                                (greyed ? L", " + std::to_wstring(greyed) + L" gone" : L"");
    ::SetWindowTextW(Child(kBackupsStatus), status.c_str());
    if (refreshAgain_) StartRefresh();
}

void BackupsWindowImpl::ChoosePublications(std::vector<std::wstring> backups) {
    presetBackups_ = std::move(backups);
    chosenKeys_.clear();
    if (refreshing_ || rows_.empty()) return;  // taken when the rows come
    FillFilter();
    ShowRows(L"");
}

void BackupsWindowImpl::FillFilter() {
    HWND filter = Child(kBackupsFilter);
    publications_ = Recovery::Publications(rows_);
    if (!presetBackups_.empty()) {
        chosenKeys_ = Recovery::KeysOfBackups(rows_, std::exchange(presetBackups_, {}));
        if (!chosenKeys_.empty()) filterKey_ = Recovery::kChosenKey;
    }
    if (!chosenKeys_.empty()) {
        publications_.insert(
            publications_.begin(),
            Recovery::PublicationChoice{Recovery::kChosenKey, Recovery::kChosenLabel});
    }
    ComboBox_ResetContent(filter);
    ComboBox_AddString(filter, Recovery::kAllPublications);
    int selected = 0;
    for (std::size_t i = 0; i < publications_.size(); ++i) {
        ComboBox_AddString(filter, publications_[i].label.c_str());
        if (publications_[i].key == filterKey_) selected = static_cast<int>(i) + 1;
    }
    if (selected == 0) filterKey_.clear();
    ComboBox_SetCurSel(filter, selected);
}

void BackupsWindowImpl::ShowRows(const std::wstring& keepSelected) {
    HWND list = Child(kBackupsList);
    shown_ = Recovery::Shown(rows_, filterKey_, chosenKeys_);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list, static_cast<int>(shown_.size()), 0);
    int select = shown_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        if (!keepSelected.empty() && rows_[shown_[i]].path == keepSelected) {
            select = static_cast<int>(i);
        }
    }
    if (select >= 0) {
        ListView_SetItemState(list, select, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, select, FALSE);
    }
    ::InvalidateRect(list, nullptr, TRUE);
    UpdateButtons();
}

// The log's size and last-write time as now; true when they differ from those seen last.
bool BackupsWindowImpl::LogChanged() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    std::optional<std::pair<std::uint64_t, std::int64_t>> now;
    if (::GetFileAttributesExW(current_.historyLogPath.c_str(), GetFileExInfoStandard, &data)) {
        now = {(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
               (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                   data.ftLastWriteTime.dwLowDateTime};
    }
    const bool changed = now != logSeen_;
    logSeen_ = now;
    return changed;
}

}  // namespace kelbrook::win32
