// The shell's notification area and the tray control's window, in memory.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "recovery/BackupsPorts.h"
#include "tray/TrayMenu.h"
#include "tray/TrayRecord.h"
#include "tray/cSysTray.h"

namespace kelbrook::testing {

// One call of the shell, decoded from the record's bytes.
struct ShellCall {
    std::uint32_t message = 0;
    std::vector<std::uint8_t> bytes;

    std::uint32_t U32(std::size_t at) const {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | bytes[at + i];
        return v;
    }
    std::uint64_t U64(std::size_t at) const {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | bytes[at + i];
        return v;
    }
    // The field's bytes up to its first NUL (all of them when there is none).
    std::string Text(std::size_t at, std::size_t width) const {
        std::string text(bytes.begin() + at, bytes.begin() + at + width);
        return text.substr(0, text.find('\0'));
    }
    std::uint32_t flags() const { return U32(ShellRecordLayout::Flags); }
    std::string tip() const { return Text(ShellRecordLayout::Tip, ShellRecordLayout::TipBytes); }
    std::string info() const { return Text(ShellRecordLayout::Info, ShellRecordLayout::InfoBytes); }
    std::string title() const {
        return Text(ShellRecordLayout::InfoTitle, ShellRecordLayout::InfoTitleBytes);
    }
};

class FakeShellTray : public ShellTray {
  public:
    void NotifyIcon(std::uint32_t message, const std::vector<std::uint8_t>& record) override {
        calls.push_back({message, record});
        if (message == kNimAdd) ++iconsShown;
        if (message == kNimDelete) --iconsShown;
    }
    // Plain ASCII in the tests: one byte a character.
    std::string ToAnsi(const std::wstring& text) override {
        return std::string(text.begin(), text.end());
    }
    std::vector<ShellCall> calls;
    int iconsShown = 0;
};

class FakeTrayWindow : public TrayControlWindow {
  public:
    std::uint64_t Handle() const override { return 0x1234; }
    void InstallTrayWndProc(cSysTray& control) override {
        ++installs;
        installed = &control;
    }
    void RestoreWindowProc() override {
        ++restores;
        installed = nullptr;
    }
    TrayPicture OwnPicture() const override { return {TrayPicture::Kind::Icon, 0xB1}; }

    cSysTray* installed = nullptr;
    int installs = 0, restores = 0;
};

// The tray menu: what it showed, and the item the user picks (-1: none).
class FakeTrayMenu : public TrayMenu {
  public:
    int Show(const std::vector<std::wstring>& items, int defaultItem) override {
        shown.push_back(items);
        shownDefault = defaultItem;
        return pick;
    }
    std::vector<std::vector<std::wstring>> shown;
    int shownDefault = -1;
    int pick = -1;
};

class FakeBackupsWindow : public Recovery::BackupsWindow {
  public:
    void Show() override { ++shows; }
    void ShowPublications(const std::vector<std::wstring>& backups) override {
        ++shows;
        chosen = backups;
    }
    int shows = 0;
    std::vector<std::wstring> chosen;
};

}  // namespace kelbrook::testing
