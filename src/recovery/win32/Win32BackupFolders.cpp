#include "recovery/win32/Win32BackupFolders.h"

#include "core/win32/Win32Files.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <optional>

#include "core/Failure.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

std::int64_t Ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

// What the threads of one listing share; it outlives the call for a thread still waiting.
struct Listings {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE done = CONDITION_VARIABLE_INIT;
    std::vector<std::optional<Recovery::FolderListing>> results;
    std::size_t left = 0;

    void Put(std::size_t i, Recovery::FolderListing listing) {
        ::AcquireSRWLockExclusive(&lock);
        results[i] = std::move(listing);
        --left;
        ::ReleaseSRWLockExclusive(&lock);
        ::WakeAllConditionVariable(&done);
    }
};

// One folder's listing thread: what it is given, freed by the thread.
struct ListingTask {
    std::shared_ptr<Listings> shared;
    std::size_t index;
    std::wstring folder;
    Win32BackupFolders::Lister lister;
};

DWORD WINAPI ListingThread(void* parameter) {
    std::unique_ptr<ListingTask> task(static_cast<ListingTask*>(parameter));
    task->shared->Put(task->index, task->lister(task->folder));
    return 0;
}

}  // namespace

Recovery::FolderListing ListFolder(const std::wstring& folder) {
    Recovery::FolderListing listing{folder, {}, {}};
    WIN32_FIND_DATAW found{};
    UniqueFind find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const DWORD error = ::GetLastError();
        // An empty folder, or one that is not there (any more): nothing in it, its backups
        // "not found". Anything else (no access, a share that is not reached) is a failure.
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            listing.failure = SystemMessage(error);
        }
        return listing;
    }
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        listing.files.push_back(
            {found.cFileName,
             (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
             Ticks(found.ftCreationTime), Ticks(found.ftLastWriteTime)});
    } while (::FindNextFileW(find.get(), &found));
    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES) {
        listing.files.clear();
        listing.failure = SystemMessage(error);
    }
    return listing;
}

std::vector<Recovery::FolderListing> Win32BackupFolders::List(
    const std::vector<std::wstring>& folders, int milliseconds) {
    auto shared = std::make_shared<Listings>();
    shared->results.resize(folders.size());
    shared->left = folders.size();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        auto task = std::make_unique<ListingTask>(ListingTask{shared, i, folders[i], lister_});
        const UniqueHandle thread(
            ::CreateThread(nullptr, 0, &ListingThread, task.get(), 0, nullptr));
        if (thread) {
            task.release();  // the thread's now
        } else {
            shared->Put(i, lister_(folders[i]));  // no thread to be had: listed here
        }
    }
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    ::AcquireSRWLockExclusive(&shared->lock);
    while (shared->left > 0) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) break;
        ::SleepConditionVariableSRW(&shared->done, &shared->lock,
                                    static_cast<DWORD>(deadline - now), 0);
    }
    std::vector<Recovery::FolderListing> listings;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (shared->results[i]) {
            listings.push_back(std::move(*shared->results[i]));
            continue;
        }
        const std::wstring time = milliseconds % 1000 != 0
                                      ? std::to_wstring(milliseconds) + L" ms"
                                      : std::to_wstring(milliseconds / 1000) + L" seconds";
        listings.push_back({folders[i], {}, L"no answer within " + time});
    }
    ::ReleaseSRWLockExclusive(&shared->lock);
    return listings;
}

bool Win32BackupFolders::Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Win32BackupFolders::CopyToNew(const std::wstring& from, const std::wstring& to) {
    UniqueFile source(::CreateFileW(from.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) ThrowLastError(L"Cannot read " + from);
    FILETIME written{};
    if (!::GetFileTime(source.get(), nullptr, nullptr, &written)) {
        ThrowLastError(L"Cannot read " + from);
    }
    UniqueFile target(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) ThrowLastError(L"Cannot write " + to);
    PartialFile partial(target, to);  // from here on the new file is ours: a failure takes it
    std::uint64_t copied = 0;
    if (!CopyBytes(source.get(), target.get(), L"Cannot write " + to, copied)) {
        ThrowLastError(L"Cannot read " + from);
    }
    if (!::SetFileTime(target.get(), nullptr, nullptr, &written) ||
        !::FlushFileBuffers(target.get())) {
        ThrowLastError(L"Cannot write " + to);
    }
    partial.Keep();
}

namespace {

// The shell carries out `verb` on `file` (with `parameters`), showing no message of its own.
void Execute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
             const std::wstring& what) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.lpVerb = verb;
    execute.lpFile = file;
    execute.lpParameters = parameters;
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) ThrowLastError(what);
}

}  // namespace

void Win32BackupShell::Open(const std::wstring& path) {
    Execute(L"open", path.c_str(), nullptr, L"Opening " + path);
}

void Win32BackupShell::ShowInFolder(const std::wstring& path) {
    const std::wstring parameters = L"/select,\"" + path + L"\"";
    Execute(nullptr, L"explorer.exe", parameters.c_str(), L"Showing " + path);
}

}  // namespace kelbrook::win32
