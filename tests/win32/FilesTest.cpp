// Win32Files against the real file system: timestamps, deletes, the log's lines, settled
// copies, and which volumes have a Recycle Bin.
#include <gtest/gtest.h>

#include "FilesFixture.h"

namespace kelbrook::win32 {
namespace {

TEST_F(FilesTest, FileExistsReadsTheTimeStampAndNeverRaises) {
    EXPECT_FALSE(Main::FileExists(files, path));
    Write(path, "x");
    EXPECT_TRUE(Main::FileExists(files, path));
    EXPECT_FALSE(Main::FileExists(files, L""));
    EXPECT_FALSE(Main::FileExists(files, L"C:\\no such folder\\*.txt"));
    EXPECT_FALSE(Main::FileExists(files, L"\\\\?\\invalid<>path"));
}

TEST_F(FilesTest, ForceDeleteFileOfAMissingFileReturnsQuietly) {
    EXPECT_NO_THROW(Main::ForceDeleteFile(files, pump, path));
}

TEST_F(FilesTest, ForceDeleteFileDeletesAReadOnlyFile) {
    Write(path, "history\r\n");
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_FALSE(files.DeleteOrdinary(path));  // the ordinary delete is refused
    Main::ForceDeleteFile(files, pump, path);
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FilesTest, TheForcedDeleteOfAMissingFileRaisesWithADescription) {
    try {
        files.DeleteForced(path);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_FALSE(failure.Description().empty());
    }
}

TEST_F(FilesTest, ReadAllReadsEveryByteOrRaises) {
    EXPECT_THROW(files.ReadAll(path), Failure);
    Write(path, std::string("a\0b\r\n", 5));
    EXPECT_EQ(files.ReadAll(path), std::string("a\0b\r\n", 5));
}

TEST_F(FilesTest, AppendAnsiLineAddsCrLfLinesInOrder) {
    files.AppendAnsiLine(path, L"first");
    files.AppendAnsiLine(path, L"second");
    files.AppendAnsiLine(path, L"third");
    EXPECT_EQ(files.ReadAll(path), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(FilesTest, AnAppendAfterAClearCreatesAFileWithOnlyTheNewLine) {
    files.AppendAnsiLine(path, L"old");
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    Main::ForceDeleteFile(files, pump, path);
    files.AppendAnsiLine(path, L"new");
    EXPECT_EQ(files.ReadAll(path), "new\r\n");
}

TEST_F(FilesTest, TheLogIsWrittenAndReadInTheAnsiCodePage) {
    ASSERT_EQ(::GetACP(), 1252u) << "the tests pin an en-US locale";
    files.AppendAnsiLine(path, L"Z\u00FCrich Men\u00FC was backup saved");
    EXPECT_EQ(files.ReadAll(path), "Z\xFCrich Men\xFC was backup saved\r\n");
    EXPECT_EQ(files.ReadAnsiText(path), L"Z\u00FCrich Men\u00FC was backup saved\r\n");
}

TEST_F(FilesTest, AnAppendToAMissingFolderRaises) {
    EXPECT_THROW(files.AppendAnsiLine(TempFile(L"no-such-folder\\Kelbrook.txt"), L"x"), Failure);
}

}  // namespace
}  // namespace kelbrook::win32

namespace kelbrook::win32 {
namespace {

// A settled copy is byte for byte, even of a file another program holds open for writing and
// lets others read; a file nobody may read gives no copy and leaves nothing; a destination
// that cannot be written raises and leaves nothing.
TEST_F(FilesTest, ASettledCopyIsExactOrNothing) {
    const std::string bytes("standin-publication 1\npage\r\nshape \xC3\xBC\0tail", 36);
    Write(path, bytes);
    const std::wstring copy = TempFile(L"kelbrook-files-test copy.pub");
    {
        UniqueFile held(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_TRUE(files.CopySettled(path, copy));
        EXPECT_EQ(files.ReadAll(copy), bytes);
    }
    ::DeleteFileW(copy.c_str());
    {
        UniqueFile exclusive(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(exclusive);
        EXPECT_FALSE(files.CopySettled(path, copy));
        EXPECT_EQ(::GetFileAttributesW(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_FALSE(files.CopySettled(TempFile(L"kelbrook-no-such-file.pub"), copy));
    const std::wstring nowhere = TempFile(L"kelbrook-no-such-folder\\copy.pub");
    EXPECT_THROW(files.CopySettled(path, nowhere), Failure);
}

// Thinning moves files to the Recycle Bin and nowhere else: a fixed drive has one; a network
// share (a UNC path, or a drive Wine is told is one) has none, and a "recycled" file there
// would be deleted for good, so the move refuses and the file stays.
TEST_F(FilesTest, OnlyAVolumeWithARecycleBinTakesFiles) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const auto [volume, available] = files.RecycleBinOf(folder);
    EXPECT_EQ(volume, std::wstring(folder).substr(0, 3));
    EXPECT_TRUE(available) << ::testing::PrintToString(volume);

    const wchar_t* share = _wgetenv(L"KELBROOK_NETWORK_DRIVE");  // a drive Wine maps as a share
    if (share == nullptr) GTEST_SKIP() << "no network drive mapped in this prefix";
    const std::wstring root = std::wstring(share) + L"\\";
    const auto [shareVolume, shareAvailable] = files.RecycleBinOf(root);
    EXPECT_EQ(shareVolume, root);
    EXPECT_FALSE(shareAvailable);
    const std::wstring onShare = root + L"kelbrook-files-test.pub";
    Write(onShare, "a backup");
    EXPECT_THROW(files.MoveToRecycleBin(onShare), Failure);
    EXPECT_EQ(files.ReadAll(onShare), "a backup");
    ::DeleteFileW(onShare.c_str());
}

}  // namespace
}  // namespace kelbrook::win32
