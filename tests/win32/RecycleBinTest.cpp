// Thinning's moves to the Recycle Bin through Win32Files: the shell's file operation with a
// sink that refuses a delete for good, and where the system lacks one, a move that keeps a
// second name for the file meanwhile.
#include <gtest/gtest.h>

#include <shobjidl.h>

#include "FilesFixture.h"

namespace kelbrook::win32 {
namespace {

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wine's Recycle Bin is the desktop's trash of the Unix user: in XDG_DATA_HOME when that is
// set, else in the home that Wine names in WINEHOMEDIR ("\??\Z:\root"). Empty on Windows.
std::wstring WineTrash() {
    const wchar_t* home = _wgetenv(L"WINEHOMEDIR");
    if (home == nullptr) return L"";
    std::wstring folder;
    if (const wchar_t* data = _wgetenv(L"XDG_DATA_HOME"); data != nullptr && data[0] == L'/') {
        folder = std::wstring(L"\\\\?\\unix") + data + L"/Trash";
    } else {
        folder = home;
        if (folder.starts_with(L"\\??\\")) folder.erase(0, 4);
        folder += L"\\.local\\share\\Trash";
    }
    for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
    return folder;
}

// Takes a file of that name out of Wine's trash, with its record.
void RemoveFromTrash(const std::wstring& trash, const std::wstring& name) {
    ::DeleteFileW((trash + L"\\files\\" + name).c_str());
    ::DeleteFileW((trash + L"\\info\\" + name + L".trashinfo").c_str());
}

// Thinning's moves to the Recycle Bin. Windows recycles through the shell's file operation;
// Wine's deletes nothing (it answers E_NOTIMPL), and there SHFileOperationW moves the file to
// the desktop's trash, a second name kept for the file meanwhile.
TEST_F(FilesTest, AFileMovedToTheRecycleBinLeavesItsFolder) {
    const std::wstring trash = WineTrash();
    const std::wstring name = L"kelbrook-files-test.txt";
    if (!trash.empty()) RemoveFromTrash(trash, name);
    Write(path, "a backup");
    EXPECT_EQ(files.MoveToRecycleBin(path), Recycled::Moved);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(path + L".recycling"));
    if (trash.empty()) return;  // Windows: in its Recycle Bin, which a test does not open
    EXPECT_EQ(files.ReadAll(trash + L"\\files\\" + name), "a backup");
    RemoveFromTrash(trash, name);
}

// When Wine's trash cannot take a file (here: its files folder has that name already, without
// a record of it), Wine's SHFileOperationW deletes the file for good and answers success. The
// second name keeps the file's data: the file is put back under its own name, and refused.
TEST_F(FilesTest, AFileWinesTrashCannotTakeIsKeptAndRefused) {
    const std::wstring trash = WineTrash();
    if (trash.empty()) GTEST_SKIP() << "Wine's trash only";
    const std::wstring name = L"kelbrook-files-test.txt";
    RemoveFromTrash(trash, name);
    std::filesystem::create_directories(trash + L"\\files");
    const std::wstring taken = trash + L"\\files\\" + name;
    Write(taken, "another file");
    Write(path, "a backup");
    EXPECT_EQ(files.MoveToRecycleBin(path), Recycled::Refused);
    EXPECT_EQ(files.ReadAll(path), "a backup");
    EXPECT_FALSE(Exists(path + L".recycling"));
    EXPECT_EQ(files.ReadAll(taken), "another file");
    RemoveFromTrash(trash, name);
}

// The progress sink lets the shell delete an item only when the item goes to the Recycle Bin,
// and remembers a refusal.
TEST_F(FilesTest, TheRecyclingSinkLetsOnlyAMoveToTheRecycleBinThrough) {
    Write(path, "a backup");
    ComPtr<IShellItem> item;
    ASSERT_EQ(::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem, item.put_void()),
              S_OK);
    const ComPtr<RecycleOnlyProgress> progress = RecycleOnlyProgress::Create();
    EXPECT_EQ(progress->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, item.get()), S_OK);
    EXPECT_EQ(
        progress->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE | TSF_USE_FULL_ACCESS, item.get()),
        S_OK);
    EXPECT_FALSE(progress->Refused());
    EXPECT_EQ(progress->PreDeleteItem(TSF_USE_FULL_ACCESS, item.get()), E_ABORT);
    EXPECT_TRUE(progress->Refused());
    EXPECT_EQ(progress->PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, item.get()), S_OK);
    EXPECT_TRUE(progress->Refused()) << "a refusal is remembered";

    const ComPtr<RecycleOnlyProgress> other = RecycleOnlyProgress::Create();
    EXPECT_TRUE(FAILED(other->PreDeleteItem(TSF_NORMAL, item.get())));
    EXPECT_TRUE(other->Refused());
}

TEST_F(FilesTest, TheRecyclingSinkCountsItsReferences) {
    const ComPtr<RecycleOnlyProgress> progress = RecycleOnlyProgress::Create();
    IFileOperationProgressSink* sink = nullptr;
    ASSERT_EQ(
        progress->QueryInterface(IID_IFileOperationProgressSink, reinterpret_cast<void**>(&sink)),
        S_OK);
    EXPECT_EQ(sink, static_cast<IFileOperationProgressSink*>(progress.get()));
    IUnknown* unknown = nullptr;
    ASSERT_EQ(progress->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(sink));
    EXPECT_EQ(progress->AddRef(), 4u);
    EXPECT_EQ(progress->Release(), 3u);
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(sink->Release(), 1u);
    void* none = &sink;
    EXPECT_EQ(progress->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace kelbrook::win32

namespace kelbrook::win32 {
namespace {

// A shell file operation that deletes one item as Windows does: it tells the item's progress
// sink beforehand whether the item goes to the Recycle Bin (TSF_DELETE_RECYCLE_IF_POSSIBLE,
// when asked to recycle and the bin takes the item) and keeps an item the sink refuses; an item
// let through goes into `bin`, or is deleted for good when it is not recycled. The test holds
// it: its references are not counted.
class ScriptedDelete final : public IFileOperation {
  public:
    explicit ScriptedDelete(std::wstring bin) : bin_(std::move(bin)) {}
    bool implemented = true;  // false: E_NOTIMPL to every call, as Wine's answers
    bool binTakesIt = true;   // false: a Recycle Bin set to remove files at once
    HRESULT failure = S_OK;   // a failure of the delete itself
    DWORD flags = 0;          // as set

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IFileOperation)) {
            *object = static_cast<IFileOperation*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE SetOperationFlags(DWORD value) override {
        if (!implemented) return E_NOTIMPL;
        flags = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteItem(IShellItem* item,
                                         IFileOperationProgressSink* sink) override {
        if (!implemented) return E_NOTIMPL;
        if (item == nullptr) return E_INVALIDARG;
        item->QueryInterface(IID_IShellItem, item_.put_void());
        if (sink != nullptr) sink->QueryInterface(IID_IFileOperationProgressSink, sink_.put_void());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PerformOperations() override {
        if (!implemented) return E_NOTIMPL;
        if (!item_) return E_UNEXPECTED;
        wchar_t* name = nullptr;
        const HRESULT named = item_->GetDisplayName(SIGDN_FILESYSPATH, &name);
        if (FAILED(named)) return named;
        const UniqueCoTaskMem held(name);
        const std::wstring path = name;
        const bool recycling = (flags & FOFX_RECYCLEONDELETE) != 0 && binTakesIt;
        const DWORD transfer = recycling ? TSF_DELETE_RECYCLE_IF_POSSIBLE : TSF_NORMAL;
        if (sink_) {
            const HRESULT asked = sink_->PreDeleteItem(transfer, item_.get());
            if (FAILED(asked)) {
                aborted_ = TRUE;
                return asked;
            }
        }
        if (FAILED(failure)) {
            aborted_ = TRUE;
            return failure;
        }
        const std::wstring into = bin_ + path.substr(path.find_last_of(L'\\'));
        const BOOL done =
            recycling ? ::MoveFileW(path.c_str(), into.c_str()) : ::DeleteFileW(path.c_str());
        if (!done) return HRESULT_FROM_WIN32(::GetLastError());
        if (sink_) sink_->PostDeleteItem(transfer, item_.get(), S_OK, nullptr);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAnyOperationsAborted(BOOL* aborted) override {
        if (!implemented) return E_NOTIMPL;
        *aborted = aborted_;
        return S_OK;
    }

    // Nothing else is asked of it.
    HRESULT STDMETHODCALLTYPE Advise(IFileOperationProgressSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProgressMessage(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProgressDialog(IOperationsProgressDialog*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetProperties(IPropertyChangeArray*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetOwnerWindow(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ApplyPropertiesToItem(IShellItem*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ApplyPropertiesToItems(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenameItem(IShellItem*, LPCWSTR,
                                         IFileOperationProgressSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RenameItems(IUnknown*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveItem(IShellItem*, IShellItem*, LPCWSTR,
                                       IFileOperationProgressSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE MoveItems(IUnknown*, IShellItem*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyItem(IShellItem*, IShellItem*, LPCWSTR,
                                       IFileOperationProgressSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CopyItems(IUnknown*, IShellItem*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteItems(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NewItem(IShellItem*, DWORD, LPCWSTR, LPCWSTR,
                                      IFileOperationProgressSink*) override {
        return E_NOTIMPL;
    }

  private:
    std::wstring bin_;
    ComPtr<IShellItem> item_;
    ComPtr<IFileOperationProgressSink> sink_;
    BOOL aborted_ = FALSE;
};

// Windows' file operation, as ScriptedDelete runs it: Wine's never gets that far. The flags ask
// nothing, show nothing, warn of nothing, and stop at the first error.
TEST_F(FilesTest, TheFileOperationRecyclesWhatTheRecycleBinTakes) {
    ASSERT_TRUE(::CreateDirectoryW(bin.c_str(), nullptr));
    Write(path, "a backup");
    ScriptedDelete operation(bin);
    EXPECT_EQ(RecycleThroughFileOperation(operation, path), Recycled::Moved);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(files.ReadAll(bin + L"\\kelbrook-files-test.txt"), "a backup");
    const DWORD wanted =
        FOFX_RECYCLEONDELETE | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOFX_EARLYFAILURE;
    EXPECT_EQ(operation.flags & wanted, wanted);
    EXPECT_EQ(operation.flags & FOF_WANTNUKEWARNING, 0u);
}

TEST_F(FilesTest, TheFileOperationKeepsWhatTheRecycleBinWouldDeleteForGood) {
    ASSERT_TRUE(::CreateDirectoryW(bin.c_str(), nullptr));
    Write(path, "a backup");
    ScriptedDelete operation(bin);
    operation.binTakesIt = false;
    EXPECT_EQ(RecycleThroughFileOperation(operation, path), Recycled::Refused);
    EXPECT_EQ(files.ReadAll(path), "a backup");
}

TEST_F(FilesTest, AFailedFileOperationRaisesWithItsDescription) {
    ASSERT_TRUE(::CreateDirectoryW(bin.c_str(), nullptr));
    Write(path, "a backup");
    ScriptedDelete operation(bin);
    operation.failure = HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
    try {
        RecycleThroughFileOperation(operation, path);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Code(), operation.failure);
        EXPECT_NE(failure.Description().find(path), std::wstring::npos);
        EXPECT_NE(failure.Description().find(SystemMessage(static_cast<DWORD>(operation.failure))),
                  std::wstring::npos)
            << ::testing::PrintToString(failure.Description());
    }
    EXPECT_EQ(files.ReadAll(path), "a backup");
}

// A file operation the system does not implement (Wine's) deletes nothing and gives no answer:
// MoveToRecycleBin then takes its other way.
TEST_F(FilesTest, AFileOperationTheSystemLacksLeavesTheFileAlone) {
    Write(path, "a backup");
    ScriptedDelete operation(bin);
    operation.implemented = false;
    EXPECT_EQ(RecycleThroughFileOperation(operation, path), std::nullopt);
    EXPECT_EQ(files.ReadAll(path), "a backup");
}

}  // namespace
}  // namespace kelbrook::win32
