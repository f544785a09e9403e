// The stand-in's call journal of one backup run, and what it must show: the running
// instance only read, one copy instance per document, each quit and ended by itself.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Standin.h"

namespace kelbrook::e2e {

// What the running instance may be asked: reads, and the copy of a page's shapes.
inline const std::set<std::wstring>& RunningInstanceReads() {
    static const std::set<std::wstring> reads = {
        L"Application.Name",
        L"Application.Documents",
        L"Application.ActiveDocument",
        L"Documents.Count",
        L"Documents.Item",
        L"Document.Name",
        L"Document.Path",
        L"Document.FullName",
        L"Document.Saved",
        L"Document.Pages",
        L"Document.PageSetup",
        L"PageSetup.PageWidth",
        L"PageSetup.PageHeight",
        L"Pages.Count",
        L"Pages.Item",
        L"Pages._NewEnum",
        L"Page.Shapes",
        L"Page.PageNumber",
        L"Shapes.Count",
        L"Shapes.Range",
        L"ShapeRange.Count",
        L"ShapeRange.Copy",
        L"Application.ActiveWindow",
        L"Window.Hwnd",
        L"ShapeRange.Left",
        L"ShapeRange.Top",
        L"Document.MasterPages",
        L"MasterPages.Count",
        L"MasterPages.Item",
        L"Document.ScratchArea",
        L"ScratchArea.Shapes",
        L"Page.Master",
        L"Page.PageID",
        L"Page.IsTwoPageMaster",
        L"Document.ColorScheme",
        L"ColorScheme.Name",
        L"Document.Sections",
        L"Sections.Count",
        L"Sections.Item",
        L"Section.StartPageIndex",
        L"Section.PageNumberStart",
        L"Section.PageNumberFormat",
        L"Section.ContinueNumbersFromPreviousSection",
        L"Page.IgnoreMaster",
        L"Page.Background",
        L"PageBackground.Exists",
        L"PageBackground.Fill",
        L"FillFormat.Type",
        L"FillFormat.ForeColor",
        L"ColorFormat.Type",
        L"ColorFormat.RGB",
        L"ColorFormat.SchemeColor",
        L"Document.Stories",
        L"Stories.Count",
        L"Stories.Item",
        L"Story.HasTextFrame",
        L"Story.TextFrame",
        L"Story.TextRange",
        L"TextRange.Copy",
        L"TextFrame.HasNextLink",
        L"TextFrame.NextLinkedTextFrame",
        L"TextFrame.Parent",
        L"Shape.ID",
        L"Shape.Parent",
        L"Page.PageIndex",
        L"Shapes.Item",
    };
    return reads;
}

// The copy instances of the journal in the order they were first called.
inline std::vector<DWORD> CopyInstancesOf(const std::vector<JournalEntry>& journal) {
    std::vector<DWORD> copies;
    for (const JournalEntry& entry : journal) {
        if (!entry.running &&
            std::find(copies.begin(), copies.end(), entry.processId) == copies.end()) {
            copies.push_back(entry.processId);
        }
    }
    return copies;
}

// The stand-in's last line of a copy that ended by itself: "Application.Process ended <ms>",
// the milliseconds since its Quit was answered. Nothing when it was ended (or is not over).
inline std::optional<long> EndedByItself(const std::vector<JournalEntry>& journal, DWORD copy) {
    for (const JournalEntry& entry : journal) {
        if (entry.processId != copy || entry.running || entry.member != L"Application.Process") {
            continue;
        }
        const std::size_t at = entry.line.find(L" ended ");
        if (at == std::wstring::npos) return std::nullopt;
        const std::wstring ms = entry.line.substr(at + 7);
        return ms == L"-" ? -1 : std::stol(ms);
    }
    return std::nullopt;
}

// Expects the journal of one run: every line well formed; the running instance (and only
// it) asked for reads and copies only; `documents` copy instances, each a process of its
// own, each done with before the next is first called, each ending with Close and Quit and
// then by itself within 3 seconds, unless `crashed` names its place in the run.
inline void ExpectRunJournal(const std::vector<JournalEntry>& journal, DWORD running,
                             std::size_t documents,
                             std::optional<std::size_t> crashed = std::nullopt) {
    ASSERT_FALSE(journal.empty()) << "the stand-in journaled no call";
    bool copied = false;
    for (const JournalEntry& entry : journal) {
        ASSERT_FALSE(entry.member.empty())
            << "journal line " << ::testing::PrintToString(entry.line);
        if (!entry.running) continue;
        EXPECT_EQ(entry.processId, running) << ::testing::PrintToString(entry.line);
        EXPECT_TRUE(RunningInstanceReads().count(entry.member) == 1 &&
                    entry.line.find(L" put=") == std::wstring::npos)
            << "the running instance was asked for more than a read: "
            << ::testing::PrintToString(entry.line);
        copied = copied || (entry.member == L"ShapeRange.Copy" && entry.call == L"Invoke");
    }
    EXPECT_TRUE(copied) << "no shapes were copied from the running instance";

    const std::vector<DWORD> copies = CopyInstancesOf(journal);
    ASSERT_EQ(copies.size(), documents) << "one copy instance per document";
    std::set<DWORD> done;
    DWORD current = 0;
    for (const JournalEntry& entry : journal) {
        if (entry.running) continue;
        if (entry.processId != current) {
            EXPECT_EQ(done.count(entry.processId), 0u)
                << "copy instance " << entry.processId << " was called again after the next one";
            done.insert(current);
            current = entry.processId;
        }
    }
    for (const JournalEntry& entry : journal) {
        if (entry.running || entry.member != L"Document.SaveAs") continue;
        EXPECT_TRUE(entry.call != L"Invoke" ||
                    entry.line.ends_with(L" Format=1 AddToRecentFiles=False"))
            << "SaveAs without its format or with the recent-files list: "
            << ::testing::PrintToString(entry.line);
    }
    for (std::size_t k = 0; k < copies.size(); ++k) {
        EXPECT_NE(copies[k], running)
            << "document " << k + 1 << " was copied in the running instance";
        const auto last =
            std::find_if(journal.rbegin(), journal.rend(), [&](const JournalEntry& e) {
                return !e.running && e.processId == copies[k] && e.member != L"Application.Process";
            });
        if (crashed && *crashed == k) continue;
        EXPECT_EQ(last->member + L" " + last->call, L"Application.Quit Invoke")
            << "copy instance " << copies[k] << " of document " << k + 1
            << " was not quit, or its Quit asked about unsaved changes";
        const std::optional<long> ended = EndedByItself(journal, copies[k]);
        EXPECT_TRUE(ended && *ended >= 0 && *ended <= 3000)
            << "copy instance " << copies[k] << " of document " << k + 1
            << " did not end by itself within 3 s of its Quit: " << ::testing::PrintToString(ended);
    }
}

}  // namespace kelbrook::e2e
