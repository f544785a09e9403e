// In-memory stand-ins for the Backups window's ports, over the files of a FakeFiles.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Fakes.h"
#include "backup/Calendar.h"
#include "recovery/BackupsPorts.h"

namespace kelbrook::testing {

// A file time (100 ns since 1601, UTC) of a time taken as UTC.
inline std::int64_t FileTimeOf(const LocalTime& time) {
    return (Calendar::Seconds(time) + 11'644'473'600LL) * 10'000'000LL;
}

class FakeBackupFolders : public Recovery::BackupFolders {
  public:
    explicit FakeBackupFolders(FakeFiles& files) : files_(files) {}

    std::vector<Recovery::FolderListing> List(const std::vector<std::wstring>& folders,
                                              int milliseconds) override {
        listed = folders;
        givenMilliseconds = milliseconds;
        std::vector<Recovery::FolderListing> listings;
        for (const std::wstring& folder : folders) {
            Recovery::FolderListing listing{folder, {}, {}};
            const auto failure = failing.find(folder);
            if (failure != failing.end()) {
                listing.failure = failure->second;
            } else {
                for (const auto& [path, bytes] : files_.contents) {
                    if (path.size() <= folder.size() + 1 || path.rfind(folder + L"\\", 0) != 0 ||
                        path.find(L'\\', folder.size() + 1) != std::wstring::npos) {
                        continue;
                    }
                    const auto written = files_.times.find(path);
                    const auto created = files_.created.find(path);
                    listing.files.push_back({path.substr(folder.size() + 1), bytes.size(),
                                             created != files_.created.end() ? created->second : 0,
                                             written != files_.times.end() ? written->second : 0});
                }
            }
            listings.push_back(std::move(listing));
        }
        return listings;
    }
    bool Exists(const std::wstring& path) override { return files_.contents.count(path) > 0; }
    void CopyToNew(const std::wstring& from, const std::wstring& to) override {
        copies.push_back(from + L" -> " + to);
        if (files_.contents.count(to)) throw Failure(L"The file exists.");
        const std::wstring folder = to.substr(0, to.find_last_of(L'\\'));
        if (readOnlyFolders.count(folder)) throw Failure(L"Access is denied.");
        if (files_.contents.at(from).size() > freeBytes) {
            throw Failure(L"There is not enough space on the disk.");
        }
        files_.contents[to] = files_.contents.at(from);
    }

    std::map<std::wstring, std::wstring> failing;  // folder: its failure
    std::set<std::wstring> readOnlyFolders;
    std::uint64_t freeBytes = 1ULL << 40;
    std::vector<std::wstring> listed, copies;
    int givenMilliseconds = 0;

  private:
    FakeFiles& files_;
};

class FakeBackupShell : public Recovery::BackupShell {
  public:
    void Open(const std::wstring& path) override {
        if (failing) throw Failure(L"No application is associated with the file.");
        calls.push_back(L"open " + path);
    }
    void ShowInFolder(const std::wstring& path) override { calls.push_back(L"show " + path); }
    std::vector<std::wstring> calls;
    bool failing = false;
};

}  // namespace kelbrook::testing
