// The installer, as a user meets it: msiexec installs Kelbrook per machine, the installed
// program runs and registers itself to start with Windows, and removing the product takes the
// program, its shortcut and its Run values away while the user's settings, backups and
// history log stay. A newer version installs over an older one in place.
//
// The packages come from scripts/test (packaging/build-msi.sh), named by the environment:
//   KELBROOK_MSI          the release package (Windows path)
//   KELBROOK_MSI_VERSION  its version, "x.y.z"
//   KELBROOK_OLDER_MSI    the same program packaged with a lower version
#include <windows.h>

#include <gtest/gtest.h>
#include <msi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kRunPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUninstallPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kRunValueName[] = L"Kelbrook.exe";
constexpr std::chrono::milliseconds kInstallerDeadline{120000};

bool SetRunValue(HKEY root, const std::wstring& text) {
    return SetRegistryText(root, kRunPath, kRunValueName, text);
}

void DeleteRunValue(HKEY root) {
    DeleteRegistryValue(root, kRunPath, kRunValueName);
}

std::optional<std::wstring> RunValue(HKEY root) {
    return RegistryText(root, kRunPath, kRunValueName);
}

// The product codes of every installed product named "Kelbrook" (its uninstall entries).
std::vector<std::wstring> InstalledKelbrooks() {
    std::vector<std::wstring> codes;
    win32::UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallPath, 0,
                        KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return codes;
    }
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::wstring entry = std::wstring(kUninstallPath) + L"\\" + name;
        if (RegistryText(HKEY_LOCAL_MACHINE, entry, L"DisplayName") == L"Kelbrook") {
            codes.emplace_back(name);
        }
    }
    return codes;
}

std::wstring UninstallEntry(const std::wstring& productCode) {
    return std::wstring(kUninstallPath) + L"\\" + productCode;
}

// Runs the command line to its end; its exit code, or nothing when it did not start or did not
// end within the deadline (it is then ended).
std::optional<DWORD> Run(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return std::nullopt;
    }
    win32::UniqueHandle process(info.hProcess);
    win32::UniqueHandle thread(info.hThread);
    const auto wait = static_cast<DWORD>(kInstallerDeadline.count());
    if (::WaitForSingleObject(process.get(), wait) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), INFINITE);
        return std::nullopt;
    }
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

std::optional<DWORD> Msiexec(const std::wstring& arguments) {
    return Run(L"msiexec.exe " + arguments + L" /qn");
}

fs::path KnownFolder(REFKNOWNFOLDERID id) {
    win32::UniqueCoTaskMem path;
    PWSTR raw = nullptr;
    if (FAILED(::SHGetKnownFolderPath(id, 0, nullptr, &raw))) return {};
    path.reset(raw);
    return fs::path(raw);
}

// The target of a shell link, or nothing when it cannot be read.
std::optional<fs::path> LinkTarget(const fs::path& link) {
    win32::OleScope ole;
    win32::ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(shellLink.put())))) {
        return std::nullopt;
    }
    win32::ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        FAILED(file->Load(link.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    wchar_t target[MAX_PATH] = {};
    if (FAILED(shellLink->GetPath(target, MAX_PATH, nullptr, 0))) return std::nullopt;
    return fs::path(target);
}

std::vector<std::wstring> FileNamesIn(const fs::path& folder) {
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().wstring());
    }
    return names;
}

class Installer : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::optional<std::wstring> msi = EnvironmentVariable(L"KELBROOK_MSI");
        const std::optional<std::wstring> older = EnvironmentVariable(L"KELBROOK_OLDER_MSI");
        const std::optional<std::wstring> version = EnvironmentVariable(L"KELBROOK_MSI_VERSION");
        ASSERT_TRUE(msi && older && version)
            << "KELBROOK_MSI, KELBROOK_OLDER_MSI and KELBROOK_MSI_VERSION name the packages";
        msi_ = *msi;
        olderMsi_ = *older;
        version_ = *version;
        ASSERT_TRUE(fs::exists(msi_)) << ::testing::PrintToString(msi_);
        ASSERT_TRUE(fs::exists(olderMsi_)) << ::testing::PrintToString(olderMsi_);

        installFolder_ = KnownFolder(FOLDERID_ProgramFilesX64) / L"Tarnwick" / L"Kelbrook";
        program_ = installFolder_ / L"Kelbrook.exe";
        shortcut_ = KnownFolder(FOLDERID_CommonPrograms) / L"Kelbrook.lnk";
        ASSERT_FALSE(shortcut_.empty());

        ASSERT_TRUE(WaitUntil([] { return !AnyInstanceAlive(); }))
            << "an instance of the program from before is still running";
        RemoveEveryKelbrook();
        ASSERT_TRUE(InstalledKelbrooks().empty()) << "a Kelbrook from before stays installed";
        ASSERT_FALSE(fs::exists(program_)) << "a program from before stays";
        ASSERT_TRUE(Store::Clear());
        DeleteRunValue(HKEY_LOCAL_MACHINE);
        DeleteRunValue(HKEY_CURRENT_USER);
    }

    void TearDown() override {
        if (running_.Running()) {
            if (!HasFailure()) {
                EXPECT_NO_FATAL_FAILURE(Close()) << "the program did not exit cleanly";
            }
            running_.Kill();
        }
        RemoveEveryKelbrook();
        EXPECT_TRUE(InstalledKelbrooks().empty()) << "the test left Kelbrook installed";
        DeleteRunValue(HKEY_LOCAL_MACHINE);
        DeleteRunValue(HKEY_CURRENT_USER);
        Store::Clear();
    }

    static void RemoveEveryKelbrook() {
        for (const std::wstring& code : InstalledKelbrooks()) Msiexec(L"/x " + code);
    }

    // Starts the installed program and answers the Publisher message that ends its start-up.
    void StartInstalled() { StartPastPublisherMessage(running_, program_); }
    void Close() { CloseCleanly(running_); }

    std::wstring Quoted(const std::wstring& path) const { return L"\"" + path + L"\""; }

    std::wstring msi_, olderMsi_, version_;
    fs::path installFolder_, program_, shortcut_;
    KelbrookProcess running_;
};

TEST_F(Installer, InstallsRunsAndUninstallsKeepingWhatIsTheUsers) {
    ASSERT_EQ(Msiexec(L"/i " + Quoted(msi_)), std::optional<DWORD>(0));

    // The program alone in its folder, the shortcut in the all-users Start menu.
    EXPECT_EQ(FileNamesIn(installFolder_), std::vector<std::wstring>{L"Kelbrook.exe"});
    ASSERT_TRUE(fs::exists(shortcut_)) << ::testing::PrintToString(shortcut_.wstring());
    const std::optional<fs::path> target = LinkTarget(shortcut_);
    ASSERT_TRUE(target);
    EXPECT_TRUE(fs::equivalent(*target, program_)) << ::testing::PrintToString(target->wstring());

    // One uninstall entry: name, version, maker, and the product's icon.
    const std::vector<std::wstring> products = InstalledKelbrooks();
    ASSERT_EQ(products.size(), 1u);
    const std::wstring entry = UninstallEntry(products[0]);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, entry, L"DisplayVersion"), version_);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, entry, L"Publisher"), L"Tarnwick");
    wchar_t icon[MAX_PATH] = {};
    DWORD iconLength = MAX_PATH;
    ASSERT_EQ(
        ::MsiGetProductInfoW(products[0].c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &iconLength),
        static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_TRUE(fs::exists(icon)) << ::testing::PrintToString(std::wstring(icon));

    // The installed program starts, and "Load this software on Windows startup" registers it.
    ASSERT_NO_FATAL_FAILURE(StartInstalled());
    HWND check5 = running_.Control(ControlId::Check5);
    ASSERT_NE(check5, nullptr);
    ASSERT_TRUE(PostClick(check5));
    const std::wstring runData = Quoted(program_.wstring());
    ASSERT_TRUE(WaitUntil([&] {
        return RunValue(HKEY_LOCAL_MACHINE) == runData || RunValue(HKEY_CURRENT_USER) == runData;
    })) << "no Run value for the installed program";
    ASSERT_TRUE(running_.WaitForPostedMessages());
    EXPECT_EQ(running_.FindMessageBox(), nullptr);
    ASSERT_NO_FATAL_FAILURE(Close());
    ASSERT_EQ(Store::Read(L"Windows Startup"), L"On");
    // The program writes the machine's value when it may; the user's is the one it falls back
    // on, so both must go.
    ASSERT_TRUE(SetRunValue(HKEY_CURRENT_USER, runData));
    ASSERT_TRUE(SetRunValue(HKEY_LOCAL_MACHINE, runData));

    // What belongs to the user: a backup copy and the history log.
    const fs::path backups = KnownFolder(FOLDERID_Documents) / L"Kelbrook installer test";
    fs::create_directories(backups);
    const fs::path backup = backups / L"Summer fair 2021-09-04.pub";
    ASSERT_TRUE(WriteBytes(backup, "standin-publication 1\r\npage\r\n"));
    HistoryLogFile log;
    ASSERT_TRUE(log.Ready());
    ASSERT_TRUE(log.Write("a line of history\r\n"));

    ASSERT_EQ(Msiexec(L"/x " + Quoted(msi_)), std::optional<DWORD>(0));
    EXPECT_TRUE(InstalledKelbrooks().empty());
    EXPECT_FALSE(fs::exists(program_));
    EXPECT_FALSE(fs::exists(installFolder_.parent_path())) << "Program Files\\Tarnwick stays";
    EXPECT_FALSE(fs::exists(shortcut_));
    EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), std::nullopt);
    EXPECT_EQ(RunValue(HKEY_CURRENT_USER), std::nullopt);
    EXPECT_EQ(Store::Read(L"Windows Startup"), L"On") << "the settings went with the program";
    EXPECT_TRUE(fs::exists(backup)) << "the backup went with the program";
    EXPECT_TRUE(log.Exists()) << "the history log went with the program";
    std::error_code ignored;
    fs::remove_all(backups, ignored);
}

TEST_F(Installer, NewerVersionReplacesTheOlderInPlace) {
    ASSERT_EQ(Msiexec(L"/i " + Quoted(olderMsi_)), std::optional<DWORD>(0));
    const std::vector<std::wstring> older = InstalledKelbrooks();
    ASSERT_EQ(older.size(), 1u);
    ASSERT_NE(RegistryText(HKEY_LOCAL_MACHINE, UninstallEntry(older[0]), L"DisplayVersion"),
              version_);

    ASSERT_EQ(Msiexec(L"/i " + Quoted(msi_)), std::optional<DWORD>(0));
    const std::vector<std::wstring> newer = InstalledKelbrooks();
    ASSERT_EQ(newer.size(), 1u) << "more than one uninstall entry after the upgrade";
    EXPECT_NE(newer[0], older[0]);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, UninstallEntry(newer[0]), L"DisplayVersion"),
              version_);
    EXPECT_EQ(FileNamesIn(installFolder_), std::vector<std::wstring>{L"Kelbrook.exe"});
    EXPECT_TRUE(fs::exists(shortcut_));

    // The upgraded program still starts and closes cleanly.
    ASSERT_NO_FATAL_FAILURE(StartInstalled());
    ASSERT_NO_FATAL_FAILURE(Close());

    ASSERT_EQ(Msiexec(L"/x " + Quoted(msi_)), std::optional<DWORD>(0));
    EXPECT_TRUE(InstalledKelbrooks().empty());
    EXPECT_FALSE(fs::exists(program_));
    EXPECT_FALSE(fs::exists(shortcut_));
}

}  // namespace
}  // namespace kelbrook::e2e
