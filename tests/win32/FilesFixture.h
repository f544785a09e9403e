// What the tests of Win32Files share: a file and a folder in the temporary folder, removed
// after each test.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "core/Failure.h"
#include "core/Main.h"
#include "core/win32/Win32Files.h"
#include "core/win32/Win32Platform.h"

namespace kelbrook {

// What became of a file, in the tests' messages.
inline void PrintTo(Recycled recycled, std::ostream* out) {
    *out << (recycled == Recycled::Moved ? "Moved" : "Refused");
}

}  // namespace kelbrook

namespace kelbrook::win32 {

inline std::wstring TempFile(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

inline void Write(const std::wstring& path, const std::string& bytes) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

class FilesTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
        ::DeleteFileW((path + L".recycling").c_str());
        ::DeleteFileW((bin + L"\\kelbrook-files-test.txt").c_str());
        ::RemoveDirectoryW(bin.c_str());
    }
    Win32Files files;
    Win32MessagePump pump;
    std::wstring path = TempFile(L"kelbrook-files-test.txt");
    std::wstring bin = TempFile(L"kelbrook-files-test bin");  // a stand-in Recycle Bin
};

}  // namespace kelbrook::win32
