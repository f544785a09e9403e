// Win32BackupFolders against the real file system: a folder's files with their sizes and
// times, folders that cannot be read, a folder that does not answer in time, and a copy that
// never replaces a file.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "FilesFixture.h"
#include "recovery/win32/Win32BackupFolders.h"

namespace kelbrook::win32 {
namespace {

namespace fs = std::filesystem;

class BackupFoldersTest : public ::testing::Test {
  protected:
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::wstring folder = TempFile(L"kelbrook backup folders");
    Win32BackupFolders folders;
};

std::int64_t WrittenAt(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

TEST_F(BackupFoldersTest, ListsEachFolderWithItsFilesOrWhyItCannot) {
    ASSERT_TRUE(fs::create_directories(folder + L"\\a subfolder"));
    Write(folder + L"\\News.pub Date Sep 1 2021 Time 01 00 00 PM.pub", std::string(3000, 'x'));
    Write(folder + L"\\Grüße 日本.pub", "");
    const std::wstring empty = folder + L"\\a subfolder";
    const std::wstring missing = folder + L"\\not there";
    const auto listings = folders.List({folder, empty, missing, L"C:\\bad<>|name"}, 20000);
    ASSERT_EQ(listings.size(), 4u);

    EXPECT_EQ(listings[0].folder, folder);
    EXPECT_EQ(listings[0].failure, L"");
    std::map<std::wstring, std::uint64_t> sizes;
    for (const auto& file : listings[0].files) {
        sizes[file.name] = file.size;
        EXPECT_EQ(file.written, WrittenAt(folder + L"\\" + file.name));
        EXPECT_NE(file.created, 0);
    }
    EXPECT_EQ(sizes, (std::map<std::wstring, std::uint64_t>{
                         {L"News.pub Date Sep 1 2021 Time 01 00 00 PM.pub", 3000},
                         {L"Grüße 日本.pub", 0}}))
        << "files only, no folders";
    for (const std::size_t nothing : {1u, 2u}) {
        EXPECT_TRUE(listings[nothing].files.empty()) << nothing;
        EXPECT_EQ(listings[nothing].failure, L"")
            << "an empty folder, or one not there, holds nothing";
    }
    EXPECT_TRUE(listings[3].files.empty());
    EXPECT_FALSE(listings[3].failure.empty()) << "a name no folder can have";
}

// A folder whose listing does not come back (a share that does not answer) is given up when
// the time is over, saying so; the others are listed all the same, and the listing left
// behind ends later without harm.
std::atomic<bool> releaseHanging{false};
Recovery::FolderListing HangingOnShare(const std::wstring& folder) {
    if (folder.rfind(L"\\\\", 0) == 0) {
        while (!releaseHanging) ::Sleep(10);
    }
    return ListFolder(folder);
}

TEST_F(BackupFoldersTest, AFolderThatDoesNotAnswerIsGivenUpInTime) {
    ASSERT_TRUE(fs::create_directories(folder));
    Write(folder + L"\\a.pub", "a");
    Win32BackupFolders bounded(&HangingOnShare);
    releaseHanging = false;
    const auto listings = bounded.List({L"\\\\server\\share", folder}, 300);
    const bool stillHanging = !releaseHanging;
    releaseHanging = true;
    ASSERT_TRUE(stillHanging);
    ASSERT_EQ(listings.size(), 2u);
    EXPECT_EQ(listings[0].failure, L"no answer within 300 ms");
    EXPECT_TRUE(listings[0].files.empty());
    ASSERT_EQ(listings[1].files.size(), 1u);
    EXPECT_EQ(listings[1].files[0].name, L"a.pub");
}

TEST_F(BackupFoldersTest, CopyToNewCopiesBytesAndTimeAndNeverReplacesAFile) {
    ASSERT_TRUE(fs::create_directories(folder));
    const std::wstring from = folder + L"\\backup.pub", to = folder + L"\\restored.pub";
    Write(from, "the backup's bytes");
    FILETIME old{0x2D2B4000, 0x01D79F3A};  // 2021
    {
        UniqueFile file(::CreateFileW(from.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &old));
    }
    folders.CopyToNew(from, to);
    EXPECT_TRUE(folders.Exists(to));
    std::ifstream copy(fs::path(to), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "the backup's bytes");
    copy.close();
    EXPECT_EQ(WrittenAt(to), WrittenAt(from));

    Write(to, "mine");
    EXPECT_THROW(folders.CopyToNew(from, to), Failure);
    std::ifstream kept(fs::path(to), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
    kept.close();

    const std::wstring nowhere = folder + L"\\no folder\\restored.pub";
    EXPECT_THROW(folders.CopyToNew(from, nowhere), Failure);
    EXPECT_THROW(folders.CopyToNew(folder + L"\\gone.pub", folder + L"\\new.pub"), Failure);
    EXPECT_FALSE(folders.Exists(folder + L"\\new.pub")) << "nothing half-written is left";
    EXPECT_TRUE(folders.Exists(from));
    EXPECT_TRUE(folders.Exists(folder));
}

}  // namespace
}  // namespace kelbrook::win32
