// Files on the real file system.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <optional>
#include <string>
#include <utility>

#include "core/Platform.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

// A new file being written, deleted again unless kept: a copy that fails leaves nothing.
class PartialFile {
  public:
    PartialFile(UniqueFile& file, std::wstring path) : file_(file), path_(std::move(path)) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile();
    void Keep() { keep_ = true; }

  private:
    UniqueFile& file_;
    std::wstring path_;
    bool keep_ = false;
};

// Copies what is left to read of `from` onto `to`, adding the bytes to `copied`. False when
// reading fails; raises "<writeFailure>: <reason>" when writing does.
bool CopyBytes(HANDLE from, HANDLE to, const std::wstring& writeFailure, std::uint64_t& copied);

class Win32Files : public Files {
  public:
    bool ReadTimestamp(const std::wstring& path) override;
    bool DeleteOrdinary(const std::wstring& path) override;
    void DeleteForced(const std::wstring& path) override;  // "Scripting.FileSystemObject"
    std::string ReadAll(const std::wstring& path) override;
    std::wstring ReadAnsiText(const std::wstring& path) override;
    void AppendAnsiLine(const std::wstring& path, const std::wstring& text) override;
    void MoveReplacing(const std::wstring& from, const std::wstring& to) override;
    std::int64_t LastWriteTime(const std::wstring& path) override;
    std::int64_t CreationTime(const std::wstring& path) override;
    std::wstring TemporaryFolder() override;
    bool CopySettled(const std::wstring& from, const std::wstring& to) override;
    std::uint64_t FileSize(const std::wstring& path) override;
    // The shell's file operation (IFileOperation); where the system lacks one, its older
    // SHFileOperationW, guarded so that it cannot delete the file for good.
    Recycled MoveToRecycleBin(const std::wstring& path) override;
    std::pair<std::wstring, bool> RecycleBinOf(const std::wstring& folder) override;
    std::vector<std::wstring> FilesStartingWith(const std::wstring& folder,
                                                const std::wstring& prefix) override;
    std::pair<std::uint64_t, std::wstring> FreeSpace(const std::wstring& folder) override;
};

// The progress sink of a move to the Recycle Bin. The shell asks it before it deletes each
// item, telling by TSF_DELETE_RECYCLE_IF_POSSIBLE whether the item goes to the Recycle Bin;
// where it does not (a Recycle Bin set to remove files at once, a file larger than the bin
// takes) the item would be deleted for good, so the sink refuses it (E_ABORT), which keeps the
// item where it is, and remembers that it did. Owned through its COM references.
class RecycleOnlyProgress final : public IFileOperationProgressSink {
  public:
    static ComPtr<RecycleOnlyProgress> Create();
    RecycleOnlyProgress(const RecycleOnlyProgress&) = delete;
    RecycleOnlyProgress& operator=(const RecycleOnlyProgress&) = delete;

    // True once an item was refused.
    bool Refused() const { return refused_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem* item) override;

    // Every other notification is taken as it comes.
    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT,
                                             IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem*, HRESULT, IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                          IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

  private:
    RecycleOnlyProgress() = default;
    ~RecycleOnlyProgress() = default;

    std::atomic<LONG> references_{1};
    std::atomic<bool> refused_{false};
};

// Moves a file to the Recycle Bin through a fresh shell file operation (CLSID_FileOperation):
// asks nothing, shows nothing, stops at the first error. Refused, the file kept, where the
// shell would delete it for good; raises on any other failure. Nothing, the file untouched,
// when the operation is one the system does not implement (it answers E_NOTIMPL).
std::optional<Recycled> RecycleThroughFileOperation(IFileOperation& operation,
                                                    const std::wstring& path);

}  // namespace kelbrook::win32
