// The COM automation adapter against the stand-in Publisher, a real local server: attaching,
// creating, every member, the named argument, failures, DISPID caching, busy and crashed
// instances.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "StandinPublication.h"
#include "backup/win32/ComPublisherAutomation.h"
#include "backup/win32/CopyCreation.h"
#include "core/Failure.h"
#include "core/win32/Win32Clipboard.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {
namespace {

constexpr wchar_t kStandinKey[] = L"Software\\PublisherStandin";

std::wstring BesideTests(const std::wstring& name) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    return folder;
}

// Runs a command line and waits for its end; the process's exit code.
DWORD RunProcess(std::wstring commandLine, UniqueHandle* keep = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return 0xFFFFFFFF;
    }
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    if (keep != nullptr) {
        *keep = std::move(process);
        return 0;
    }
    ::WaitForSingleObject(process.get(), 30000);
    DWORD code = 0xFFFFFFFF;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

std::vector<DWORD> StandinProcesses() {
    std::vector<DWORD> ids;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, L"PublisherStandin.exe") == 0)
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

void SetStandinValue(const std::wstring& subkey, const std::wstring& name,
                     const std::wstring& value) {
    UniqueKey key;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr);
    ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::string ReadFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class PublisherAutomationTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(RunProcess(L"\"" + BesideTests(L"PublisherStandin.exe") + L"\" /RegServer"), 0u);
    }
    static void TearDownTestSuite() {
        RunProcess(L"\"" + BesideTests(L"PublisherStandin.exe") + L"\" /UnregServer");
    }

    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kStandinKey);
        folder_ = TempFolder() + L"kelbrook-automation-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        journal_ = folder_ + L"\\journal.txt";
        SetStandinValue(kStandinKey, L"Journal", journal_);
        flyer_ = folder_ + L"\\Flyer \u00e9.pub";
        std::ofstream(std::filesystem::path(flyer_), std::ios::binary)
            << "standin-publication 1\r\npage\r\nshape Title\r\nshape Logo\r\npage\r\n";
    }

    void TearDown() override {
        if (running_) {
            CloseRunningWindow();
            EXPECT_EQ(::WaitForSingleObject(running_.get(), 30000), WAIT_OBJECT_0);
            DWORD code = 1;
            ::GetExitCodeProcess(running_.get(), &code);
            EXPECT_EQ(code, 0u) << "the running stand-in did not end cleanly";
        }
        EXPECT_TRUE(WaitFor([] { return StandinProcesses().empty(); }))
            << "a stand-in process was left behind";
        for (DWORD id : StandinProcesses()) {
            UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
            ::TerminateProcess(process.get(), 1);
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kStandinKey);
        ::DeleteFileW(journal_.c_str());
        ::DeleteFileW(flyer_.c_str());
        ::DeleteFileW((folder_ + L"\\Copy.pub").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    // Closes the running instance's window, as its user would.
    void CloseRunningWindow() {
        const DWORD id = ::GetProcessId(running_.get());
        ::EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                if (owner == static_cast<DWORD>(parameter) && ::IsWindowVisible(window))
                    ::PostMessageW(window, WM_CLOSE, 0, 0);
                return TRUE;
            },
            static_cast<LPARAM>(id));
    }

    void StartRunning(const std::wstring& arguments) {
        ASSERT_EQ(RunProcess(L"\"" + BesideTests(L"PublisherStandin.exe") + L"\" " + arguments,
                             &running_),
                  0u);
        ASSERT_TRUE(WaitFor([&] {
            try {
                automation_.AttachRunning();
                return true;
            } catch (const Failure&) {
                return false;
            }
        })) << "the running stand-in was never found";
    }

    // The journal's lines of one kind of call ("GetIDsOfNames" or "Invoke"), counted by
    // instance kind and member: "running Document.Name" -> 2.
    std::map<std::wstring, int> Journal(const std::string& call) const {
        std::map<std::wstring, int> counts;
        std::istringstream lines(ReadFile(journal_));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string pid, kind, member, what;
            if ((fields >> pid >> kind >> member >> what) && what == call)
                ++counts[standin::FromUtf8(kind + " " + member)];
        }
        return counts;
    }

    ComPublisherAutomation automation_;
    UniqueHandle running_;
    std::wstring folder_, journal_, flyer_;
};

TEST_F(PublisherAutomationTest, AttachesCreatesAndCallsEveryMemberLookingUpEachNameOnce) {
    EXPECT_THROW(automation_.AttachRunning(), Failure) << "nothing runs yet";
    StartRunning(L"\"" + flyer_ + L"\" --unsaved Notes");

    auto running = automation_.AttachRunning();
    EXPECT_EQ(running->Name(), L"Microsoft Publisher");
    auto documents = running->Documents();
    ASSERT_EQ(documents->Count(), 2);
    auto flyer = documents->Item(1);
    EXPECT_EQ(flyer->Name(), L"Flyer \u00e9.pub");
    EXPECT_EQ(flyer->Path(), folder_);
    auto notes = documents->Item(2);
    EXPECT_EQ(notes->Name(), L"Notes");
    EXPECT_EQ(notes->Path(), L"");
    EXPECT_THROW(documents->Item(3), Failure);

    auto pages = flyer->Pages();
    EXPECT_EQ(pages->Count(), 2);
    auto enumeration = pages->Enumerate();
    auto first = enumeration->Next();
    auto second = enumeration->Next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(enumeration->Next(), nullptr);
    EXPECT_EQ(second->Shapes()->Count(), 0);
    first->Shapes()->Range()->Copy();

    const std::wstring copyPath = folder_ + L"\\Copy.pub";
    {
        auto copy = automation_.CreateInstance();
        ASSERT_TRUE(copy);
        auto target = copy->ActiveDocument()->Pages()->Item(1);
        target->Shapes()->Paste();
        EXPECT_EQ(target->Shapes()->Count(), 2);
        auto copyPages = copy->ActiveDocument()->Pages();
        copyPages->Add(1, copyPages->Count());
        copy->ActiveDocument()->SaveAs(copyPath);
        copy->Quit();
    }
    standin::Publication saved = standin::ParsePublication(ReadFile(copyPath));
    ASSERT_EQ(saved.pages.size(), 2u);
    EXPECT_EQ(standin::TextsOf(saved.pages[0]), (std::vector<std::wstring>{L"Title", L"Logo"}));
    EXPECT_TRUE(saved.pages[1].shapes.empty());
    EXPECT_EQ(ReadFile(flyer_),
              "standin-publication 1\r\npage\r\nshape Title\r\nshape Logo\r\npage\r\n");

    // A second copy instance asks for no name again: the DISPIDs are the adapter's. After
    // Quit it lives on while anything of it is held, and ends once it is let go.
    {
        auto copy = automation_.CreateInstance();
        const std::shared_ptr<PublisherProcess> process = copy->Process();
        ASSERT_TRUE(process);
        copy->ActiveDocument()->Pages()->Item(1)->Shapes()->Paste();
        copy->ActiveDocument()->SaveAs(copyPath);  // or its Quit would ask about the paste
        copy->ActiveDocument()->Close();
        copy->Quit();
        EXPECT_FALSE(process->WaitUntilGone(2500)) << "the copy ended while still held";
        EXPECT_FALSE(process->Gone());
        copy.reset();
        EXPECT_TRUE(process->WaitUntilGone(30000));
        EXPECT_TRUE(process->Gone());
    }
    EXPECT_TRUE(automation_.IsInstalled());
    EXPECT_EQ(running->Process(), nullptr) << "the user's own Publisher is never ended";
    EXPECT_TRUE(WaitFor([] { return StandinProcesses().size() == 1; }));
    const std::map<std::wstring, int> lookups = Journal("GetIDsOfNames");
    for (const auto& [member, count] : lookups) EXPECT_EQ(count, 1) << member;
    EXPECT_EQ(lookups.count(L"copy Document.SaveAs"), 1u) << "SaveAs was not looked up";
    EXPECT_EQ(Journal("Invoke")[L"copy Shapes.Paste"], 2);
    EXPECT_EQ(Journal("Invoke")[L"running Document.Name"], 2);
}

TEST_F(PublisherAutomationTest, FailuresCarryTheServersDescriptionAndACrashIsReported) {
    StartRunning(L"\"" + flyer_ + L"\"");
    SetStandinValue(std::wstring(kStandinKey) + L"\\Faults", L"Document.SaveAs", L"fail");
    SetStandinValue(std::wstring(kStandinKey) + L"\\Faults", L"Shapes.Paste", L"crash");
    auto copy = automation_.CreateInstance();
    try {
        copy->ActiveDocument()->SaveAs(folder_ + L"\\Copy.pub");
        ADD_FAILURE() << "the save did not fail";
    } catch (const Failure& failure) {
        EXPECT_NE(failure.Description().find(L"Stand-in failure in Document.SaveAs"),
                  std::wstring::npos)
            << failure.Description().c_str();
    }
    try {
        copy->ActiveDocument()->Pages()->Item(1)->Shapes()->Paste();
        ADD_FAILURE() << "the paste did not fail";
    } catch (const Failure& failure) {
        EXPECT_FALSE(failure.Description().empty());
        EXPECT_NE(failure.Code(), 0);
    }
    EXPECT_THROW(copy->Quit(), Failure) << "the crashed instance still answers";
    copy.reset();
    EXPECT_TRUE(WaitFor([] { return StandinProcesses().size() == 1; }));
}

TEST_F(PublisherAutomationTest, ABusyInstanceIsAskedAgainUntilItAnswers) {
    StartRunning(L"\"" + flyer_ + L"\"");
    SetStandinValue(std::wstring(kStandinKey) + L"\\Faults", L"running:busy", L"busy 60000");
    SetStandinValue(std::wstring(kStandinKey) + L"\\Faults", L"busy", L"busy 2500");
    const auto start = std::chrono::steady_clock::now();
    auto copy = automation_.CreateInstance();  // asks the new copy for its window
    EXPECT_EQ(copy->Name(), L"Microsoft Publisher");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500))
        << "the call was never rejected, so nothing was retried";
    copy->Quit();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kStandinKey) + L"\\Faults").c_str());
}

// A call into a copy that never returns (a hang, or Quit meeting the question about unsaved
// changes) ends the copy when its bound has passed, and fails saying so; the running
// instance lives on.
TEST_F(PublisherAutomationTest, ACallPastItsBoundEndsTheCopyAndFails) {
    StartRunning(L"\"" + flyer_ + L"\"");
    ComPublisherAutomation bounded(std::chrono::seconds(2));
    const std::wstring overdue =
        L"Publisher did not answer within 2 seconds; its instance was ended";
    SetStandinValue(std::wstring(kStandinKey) + L"\\Faults", L"Shapes.Paste", L"hang");
    for (const bool hang : {true, false}) {
        SCOPED_TRACE(hang ? "a hang" : "Quit after a change");
        auto copy = bounded.CreateInstance();
        auto page = copy->ActiveDocument()->Pages()->Item(1);
        if (!hang) copy->ActiveDocument()->Pages()->Add(1, 1);
        try {
            if (hang) {
                page->Shapes()->Paste();
            } else {
                copy->Quit();
            }
            ADD_FAILURE() << "the call returned";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Description(), overdue);
        }
        EXPECT_TRUE(copy->Process()->WaitUntilGone(5000)) << "the copy was not ended";
        try {
            copy->Name();
            ADD_FAILURE() << "an ended copy answered";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Description(), overdue) << "a later call waits again";
        }
        ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kStandinKey) + L"\\Faults").c_str());
    }
    EXPECT_EQ(automation_.AttachRunning()->Name(), L"Microsoft Publisher");
    EXPECT_TRUE(WaitFor([] { return StandinProcesses().size() == 1; }));
}

// A copy that never gets as far as answering (a screen nobody sees before it registers, or
// before its first call returns) is ended at the bound of its creation; the user's Publisher
// lives on. A fresh instance without a publication is no failure of the creation.
TEST_F(PublisherAutomationTest, ACreationPastItsBoundEndsOnlyTheProcessStartedForIt) {
    StartRunning(L"\"" + flyer_ + L"\"");
    ComPublisherAutomation bounded(std::chrono::seconds(3));
    auto running = bounded.AttachRunning();
    const std::wstring faults = std::wstring(kStandinKey) + L"\\Faults";
    SetStandinValue(faults, L"start", L"empty");
    auto copy = bounded.CreateInstance();
    EXPECT_THROW(copy->ActiveDocument(), Failure) << "there are no documents open";
    EXPECT_EQ(copy->NewDocument()->Pages()->Count(), 1);
    EXPECT_EQ(copy->ActiveDocument()->Name(), L"Publication1");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, faults.c_str());
    copy->Quit();
    copy.reset();
    ASSERT_TRUE(WaitFor([] { return StandinProcesses().size() == 1; }));
    for (const auto& [fault, value] :
         {std::pair<const wchar_t*, const wchar_t*>{L"Application.ActiveWindow", L"hang"},
          {L"Window.Hwnd", L"hang"},
          {L"start", L"hang"}}) {
        SCOPED_TRACE(fault);
        SetStandinValue(faults, fault, value);
        const auto start = std::chrono::steady_clock::now();
        try {
            bounded.CreateInstance();
            ADD_FAILURE() << "the creation returned";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Description(),
                      L"Publisher did not answer within 3 seconds; its instance was ended");
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
        ::RegDeleteTreeW(HKEY_CURRENT_USER, faults.c_str());
        EXPECT_TRUE(WaitFor([] { return StandinProcesses().size() == 1; }))
            << "the hung copy was not ended, or the running one was";
        EXPECT_EQ(running->Name(), L"Microsoft Publisher");
    }
    // The next creation works, once Wine's COM has given up asking for the hung one's class
    // object (30 seconds after it began).
    auto after = bounded.CreateInstance();
    EXPECT_EQ(after->ActiveDocument()->Name(), L"Publication1");
    after->Quit();
}

// Master pages through the adapter: PageIDs, two-page masters made and walked by halves, the
// half a page's Master gives, and Page.Master written as a property put, and once more as a
// put by reference where only that is taken. A fresh copy without a publication or an active
// window makes a publication at its creation.
TEST_F(PublisherAutomationTest, MasterPagesByPageIdAndHalvesAndABareCopysCreation) {
    StartRunning(L"\"" + flyer_ + L"\"");
    const std::wstring faults = std::wstring(kStandinKey) + L"\\Faults";
    SetStandinValue(faults, L"Page.Master", L"putref-only");
    auto copy = automation_.CreateInstance();
    auto document = copy->ActiveDocument();
    auto masters = document->MasterPages();
    const std::int64_t added = masters->Add(true)->PageID();
    ASSERT_EQ(masters->Count(), 3);
    auto plain = masters->Item(1), left = masters->Item(2), right = masters->Item(3);
    EXPECT_FALSE(plain->IsTwoPageMaster());
    EXPECT_TRUE(left->IsTwoPageMaster() && right->IsTwoPageMaster());
    auto pages = document->Pages();
    pages->Add(1, 1);
    auto first = pages->Item(1), second = pages->Item(2);
    EXPECT_EQ(added, left->PageID());
    EXPECT_EQ((std::set<std::int64_t>{plain->PageID(), left->PageID(), right->PageID(),
                                      first->PageID(), second->PageID()})
                  .size(),
              5u)
        << "two pages share a PageID";
    EXPECT_THROW(first->IsTwoPageMaster(), Failure) << "only master pages answer";

    first->SetMaster(*left);  // either half applies the whole two-page master
    second->SetMaster(*right);
    EXPECT_EQ(first->Master()->PageID(), right->PageID()) << "page 1 is a right-hand page";
    EXPECT_EQ(second->Master()->PageID(), left->PageID());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, faults.c_str());
    second->SetMaster(*plain);
    EXPECT_EQ(second->Master()->PageID(), plain->PageID());
    const auto count = [&](const std::string& line) {
        const std::string journal = ReadFile(journal_);
        std::size_t n = 0;
        for (std::size_t at = 0; (at = journal.find(line + "\r\n", at)) != std::string::npos;
             ++at) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count(" copy Page.Master Invoke put=PropertyPut"), 3u);
    EXPECT_EQ(count(" copy Page.Master Invoke put=PropertyPutRef"), 2u);

    plain->SetIsTwoPageMaster(true);
    EXPECT_EQ(masters->Count(), 4);
    document->SaveAs(folder_ + L"\\Copy.pub");
    copy->Quit();

    SetStandinValue(faults, L"start", L"bare");
    auto bare = automation_.CreateInstance();
    EXPECT_TRUE(bare->Process());
    EXPECT_EQ(bare->ActiveDocument()->Name(), L"Publication1");
    bare->Quit();
    EXPECT_EQ(count(" copy Application.NewDocument Invoke"), 1u);
}

TEST(ComSwitch, OnlyCommandLinesThatCarryComsSwitchAreServersComStarted) {
    const struct {
        const wchar_t* commandLine;
        bool started;
    } cases[] = {
        {L"\"C:\\Program Files\\Publisher\\MSPUB.EXE\" -Embedding", true},
        {L"C:\\MSPUB.EXE /Automation", true},
        {L"MSPUB.EXE /embedding", true},
        {L"MSPUB.EXE \"C:\\Docs\\Flyer.pub\"", false},
        {L"MSPUB.EXE C:\\Docs\\-Embedding.pub", false},
        {L"MSPUB.EXE", false},
        {L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(HasComSwitch(c.commandLine), c.started) << c.commandLine;
}

// The user's clipboard survives a snapshot and a foreign copy in between; an empty one stays
// empty.
TEST(Win32ClipboardTest, PutsBackWhatWasThere) {
    const UINT custom = ::RegisterClipboardFormatW(L"Kelbrook test format");
    const auto put = [&](const std::wstring& text, bool withCustom) {
        ClipboardOpening open(nullptr);
        ::EmptyClipboard();
        const auto place = [](UINT format, const void* bytes, std::size_t size) {
            UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
            std::memcpy(::GlobalLock(memory.get()), bytes, size);
            ::GlobalUnlock(memory.get());
            if (::SetClipboardData(format, memory.get())) memory.release();
        };
        if (!text.empty()) place(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        if (withCustom) place(custom, "\x01\x02\x00\x03", 4);
    };
    const auto textNow = []() -> std::wstring {
        ClipboardOpening open(nullptr);
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        if (data == nullptr) return L"<none>";
        std::wstring text(static_cast<const wchar_t*>(::GlobalLock(data)));
        ::GlobalUnlock(data);
        return text;
    };

    Win32Clipboard clipboard;
    put(L"Gr\u00fc\u00dfe from the user", true);
    auto snapshot = clipboard.TakeSnapshot();
    put(L"shapes of the run", false);
    snapshot->Restore();
    EXPECT_EQ(textNow(), L"Gr\u00fc\u00dfe from the user");
    EXPECT_TRUE(::IsClipboardFormatAvailable(custom));

    put(L"", false);
    snapshot = clipboard.TakeSnapshot();
    put(L"shapes of the run", false);
    snapshot->Restore();
    EXPECT_EQ(textNow(), L"<none>");
    EXPECT_EQ(::CountClipboardFormats(), 0);
}

}  // namespace
}  // namespace kelbrook::win32
