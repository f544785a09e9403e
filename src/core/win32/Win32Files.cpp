#include "core/win32/Win32Files.h"

#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <cstdint>

#include <utility>

#include <memory>
#include <optional>

#include "core/Failure.h"
#include "core/win32/Dispatch.h"
#include "core/win32/Win32Support.h"

#include <vector>

namespace kelbrook::win32 {

bool Win32Files::ReadTimestamp(const std::wstring& path) {
    if (path.empty()) return false;
    if (path.find_first_of(L"*?") != std::wstring::npos) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != FALSE;
}

bool Win32Files::DeleteOrdinary(const std::wstring& path) {
    return ::DeleteFileW(path.c_str()) != FALSE;
}

void Win32Files::DeleteForced(const std::wstring& path) {
    DispatchObject fileSystem = CreateDispatchObject(L"Scripting.FileSystemObject",
                                                     CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER);
    std::vector<Variant> arguments;
    arguments.push_back(TextArgument(path));
    arguments.push_back(BoolArgument(true));  // force: a read-only file goes too
    fileSystem.Call(L"DeleteFile", std::move(arguments));
}

void Win32Files::MoveReplacing(const std::wstring& from, const std::wstring& to) {
    // A program that has just let go of either file (Publisher ending, a virus scanner) may
    // still hold it for a moment: a sharing violation or an access denial is tried again.
    constexpr DWORD kPatience = 5000, kPause = 100;
    for (DWORD waited = 0;; waited += kPause) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return;
        }
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                          error == ERROR_LOCK_VIOLATION;
        if (!held || waited >= kPatience) ThrowWin32Error(error, L"Cannot save " + to);
        WaitAnswering(nullptr, kPause);
    }
}

namespace {

std::int64_t Count(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

WIN32_FILE_ATTRIBUTE_DATA Attributes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        ThrowLastError(L"Reading the time of " + path);
    }
    return data;
}

}  // namespace

std::int64_t Win32Files::LastWriteTime(const std::wstring& path) {
    return Count(Attributes(path).ftLastWriteTime);
}

std::int64_t Win32Files::CreationTime(const std::wstring& path) {
    return Count(Attributes(path).ftCreationTime);
}

std::wstring Win32Files::TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (length == 0 || length > MAX_PATH + 1) ThrowLastError(L"The temporary folder");
    std::wstring folder(buffer, length);
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

namespace {

// A file's size and last-write time, as its handle gives them; nothing when they cannot be read.
std::optional<std::pair<std::uint64_t, std::uint64_t>> SizeAndTime(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
    return std::pair{(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                     (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                         info.ftLastWriteTime.dwLowDateTime};
}

}  // namespace

PartialFile::~PartialFile() {
    if (keep_) return;
    file_.reset();
    ::DeleteFileW(path_.c_str());
}

bool CopyBytes(HANDLE from, HANDLE to, const std::wstring& writeFailure, std::uint64_t& copied) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            return false;
        }
        if (read == 0) return true;
        DWORD written = 0;
        if (!::WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
            ThrowLastError(writeFailure);
        }
        copied += read;
    }
}

bool Win32Files::CopySettled(const std::wstring& from, const std::wstring& to) {
    // Every sharing: Publisher keeps the publication it has open, and may write to it.
    UniqueFile source(::CreateFileW(from.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return false;
    const auto before = SizeAndTime(source.get());
    if (!before) return false;
    UniqueFile target(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) ThrowLastError(L"Cannot save " + to);
    PartialFile partial(target, to);  // whatever goes wrong from here, no copy stays behind
    std::uint64_t copied = 0;
    if (!CopyBytes(source.get(), target.get(), L"Cannot save " + to, copied)) return false;
    const auto after = SizeAndTime(source.get());
    if (!after || *after != *before || copied != before->first) return false;
    const FILETIME written{static_cast<DWORD>(before->second),
                           static_cast<DWORD>(before->second >> 32)};
    if (!::SetFileTime(target.get(), nullptr, nullptr, &written)) {
        ThrowLastError(L"Cannot save " + to);
    }
    if (!::FlushFileBuffers(target.get())) ThrowLastError(L"Cannot save " + to);
    partial.Keep();
    return true;
}

std::vector<std::wstring> Win32Files::FilesStartingWith(const std::wstring& folder,
                                                        const std::wstring& prefix) {
    std::vector<std::wstring> found;
    // Neither * nor ? can stand in a name Kelbrook writes; a prefix holding them finds nothing.
    if (prefix.find_first_of(L"*?") != std::wstring::npos) return found;
    const std::wstring base = folder.empty() || folder.back() == L'\\' ? folder : folder + L"\\";
    WIN32_FIND_DATAW data{};
    const UniqueResource<HANDLE, &::FindClose, &InvalidFileHandle> find(::FindFirstFileExW(
        (base + prefix + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return found;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            found.push_back(base + data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return found;
}

std::pair<std::wstring, bool> Win32Files::RecycleBinOf(const std::wstring& folder) {
    wchar_t volume[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameW(folder.c_str(), volume, MAX_PATH + 1)) {
        ThrowLastError(L"Reading the volume of " + folder);
    }
    // Only a fixed drive keeps a Recycle Bin; elsewhere the shell deletes "recycled" files for
    // good, without a word.
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof(bin);
    const bool available =
        ::GetDriveTypeW(volume) == DRIVE_FIXED && SUCCEEDED(::SHQueryRecycleBinW(volume, &bin));
    return {volume, available};
}

ComPtr<RecycleOnlyProgress> RecycleOnlyProgress::Create() {
    ComPtr<RecycleOnlyProgress> progress;
    *progress.put() = new RecycleOnlyProgress();
    return progress;
}

HRESULT RecycleOnlyProgress::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IFileOperationProgressSink)) {
        *object = static_cast<IFileOperationProgressSink*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecycleOnlyProgress::AddRef() {
    return static_cast<ULONG>(++references_);
}

ULONG RecycleOnlyProgress::Release() {
    const LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT RecycleOnlyProgress::PreDeleteItem(DWORD flags, IShellItem*) {
    if ((flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) != 0) return S_OK;
    refused_ = true;
    return E_ABORT;
}

std::optional<Recycled> RecycleThroughFileOperation(IFileOperation& operation,
                                                    const std::wstring& path) {
    const std::wstring context = L"Cannot move " + path + L" to the Recycle Bin";
    // No FOF_WANTNUKEWARNING: the progress sink, not a warning, stops a delete for good.
    HRESULT hr = operation.SetOperationFlags(FOFX_RECYCLEONDELETE | FOF_NOCONFIRMATION |
                                             FOF_SILENT | FOF_NOERRORUI | FOFX_EARLYFAILURE);
    // An operation that does not take these flags could delete for good: it deletes nothing.
    if (hr == E_NOTIMPL) return std::nullopt;
    ThrowIfFailed(hr, context);
    ComPtr<IShellItem> item;
    ThrowIfFailed(
        ::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem, item.put_void()),
        context);
    const ComPtr<RecycleOnlyProgress> progress = RecycleOnlyProgress::Create();
    hr = operation.DeleteItem(item.get(), progress.get());
    if (hr == E_NOTIMPL) return std::nullopt;
    ThrowIfFailed(hr, context);
    hr = operation.PerformOperations();
    if (progress->Refused()) {
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            throw Failure(context + L": it was kept from a delete for good, yet is gone", hr);
        }
        return Recycled::Refused;
    }
    if (hr == E_NOTIMPL) return std::nullopt;
    ThrowIfFailed(hr, context);
    BOOL aborted = FALSE;
    ThrowIfFailed(operation.GetAnyOperationsAborted(&aborted), context);
    if (aborted) throw Failure(context + L": the operation was cancelled");
    return Recycled::Moved;
}

namespace {

// The answers of CoCreateInstance for a class the system does not have.
bool NoSuchClass(HRESULT hr) {
    return hr == REGDB_E_CLASSNOTREG || hr == CLASS_E_CLASSNOTAVAILABLE || hr == E_NOINTERFACE ||
           hr == E_NOTIMPL;
}

// How many names (hard links) the file has; 0 when that cannot be read.
DWORD NamesOfFile(const std::wstring& path) {
    const UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) return 0;
    return info.nNumberOfLinks;
}

// Where the system has no IFileOperation that deletes: Wine's (8.0) answers E_NOTIMPL to
// SetOperationFlags, DeleteItem and PerformOperations. Its SHFileOperationW with FOF_ALLOWUNDO
// moves the file to the desktop's trash, but when the trash cannot take it (no trash folder, a
// name it cannot move there) deletes it for good and answers success. So the call is made only
// with a second name (a hard link) for the file beside it: whatever the call does, the data
// stays, and the file's count of names tells afterwards whether it lives on in the trash (a move
// keeps the count) or was deleted (one name fewer), in which case it is put back under its own
// name and refused. Windows has IFileOperation since Vista: there this never runs.
Recycled RecycleKeepingASecondName(const std::wstring& path) {
    const std::wstring context = L"Cannot move " + path + L" to the Recycle Bin";
    const std::wstring second = path + L".recycling";
    if (!::CreateHardLinkW(second.c_str(), path.c_str(), nullptr)) ThrowLastError(context);
    const DWORD names = NamesOfFile(second);
    if (names < 2) {
        ::DeleteFileW(second.c_str());
        throw Failure(context + L": its names cannot be counted");
    }
    std::wstring from = path;
    from.push_back(L'\0');  // a list of names, ended by an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    const int result = ::SHFileOperationW(&operation);
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::DeleteFileW(second.c_str());
        throw Failure(context + L" (" + std::to_wstring(result) + L")");
    }
    if (NamesOfFile(second) == names) {  // moved, not deleted: into the trash
        ::DeleteFileW(second.c_str());
        return Recycled::Moved;
    }
    if (!::MoveFileExW(second.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError(context + L"; it is kept as " + second);
    }
    return Recycled::Refused;
}

}  // namespace

Recycled Win32Files::MoveToRecycleBin(const std::wstring& path) {
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    if (const auto [volume, available] = RecycleBinOf(folder); !available) {
        throw Failure(L"Cannot move " + path + L" to the Recycle Bin: " + volume + L" has none");
    }
    ComPtr<IFileOperation> operation;
    const HRESULT created = ::CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL,
                                               IID_IFileOperation, operation.put_void());
    if (SUCCEEDED(created)) {
        if (const auto recycled = RecycleThroughFileOperation(*operation.get(), path)) {
            return *recycled;
        }
    } else if (!NoSuchClass(created)) {
        ThrowIfFailed(created, L"Cannot move " + path + L" to the Recycle Bin");
    }
    return RecycleKeepingASecondName(path);
}

std::uint64_t Win32Files::FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        ThrowLastError(L"Reading the size of " + path);
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::pair<std::uint64_t, std::wstring> Win32Files::FreeSpace(const std::wstring& folder) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free)) {
        ThrowLastError(L"Reading the free space of " + folder);
    }
    wchar_t volume[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameW(folder.c_str(), volume, MAX_PATH + 1)) {
        ThrowLastError(L"Reading the volume of " + folder);
    }
    return {available.QuadPart, volume};
}

std::string Win32Files::ReadAll(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"Opening " + path);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) ThrowLastError(L"Reading " + path);
    if (size.QuadPart > 64LL * 1024 * 1024) throw Failure(L"Reading " + path + L": file too large");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    if (!bytes.empty() &&
        !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) {
        ThrowLastError(L"Reading " + path);
    }
    bytes.resize(done);
    return bytes;
}

std::wstring Win32Files::ReadAnsiText(const std::wstring& path) {
    return FromAnsi(ReadAll(path));
}

void Win32Files::AppendAnsiLine(const std::wstring& path, const std::wstring& text) {
    UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"Opening " + path);
    const std::string line = ToAnsi(text) + "\r\n";
    DWORD written = 0;
    if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        ThrowLastError(L"Writing " + path);
    }
}

}  // namespace kelbrook::win32
