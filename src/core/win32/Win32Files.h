// Files on the real file system.
#pragma once

#include "core/Platform.h"

namespace kelbrook::win32 {

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
    Recycled MoveToRecycleBin(const std::wstring& path) override;
    std::pair<std::wstring, bool> RecycleBinOf(const std::wstring& folder) override;
    std::vector<std::wstring> FilesStartingWith(const std::wstring& folder,
                                                const std::wstring& prefix) override;
    std::pair<std::uint64_t, std::wstring> FreeSpace(const std::wstring& folder) override;
};

}  // namespace kelbrook::win32
