// The user's Publisher ending unexpectedly, during a run.
#include <gtest/gtest.h>

#include "BackupRun.h"
#include "backup/SavePublisher.h"

namespace kelbrook::e2e {
namespace {

// The user's Publisher crashes while the run copies a page of the first of two changed
// publications: the run asks it nothing more and shows no error report; each document it did
// not back up is logged by its name, and no file is written for either.
TEST_F(BackupRun, APublisherThatCrashesDuringARunCostsNoTrainOfReports) {
    Publication big;
    for (int page = 1; page <= 6; ++page) big.push_back({L"Page " + std::to_wstring(page)});
    const fs::path docs = workspace_->folder() / L"Docs";
    const fs::path bigFile = WriteDocument(L"Docs\\Big.pub", big);
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", {{L"Menu"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({bigFile.wstring(), menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ASSERT_TRUE(StandinSettings::SetFault(L"running:ShapeRange.Copy", L"crash"));
    RunClock clock;
    const std::vector<SeenBox> reports = FollowRun(2, clock);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(TextsOf(reports));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    for (const auto& [line, name] : {std::pair{lines[0], L"Big.pub"}, {lines[1], L"Menu.pub"}}) {
        EXPECT_TRUE(line.starts_with(std::wstring(name) +
                                     L" was not backup saved: Publisher ended unexpectedly at ") &&
                    line.ends_with(L", before its backup was made"))
            << ::testing::PrintToString(line);
    }
    EXPECT_EQ(FilesIn(docs), (std::set<std::wstring>{L"Big.pub", L"Menu.pub"}));
    EXPECT_TRUE(WaitUntil([&] { return !standins_.back()->Running(); }));
    EXPECT_EQ(standins_.back()->exitCode(), std::optional<DWORD>(3)) << "the crash fault's code";
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

// The user's Publisher runs but rejects every call (a dialog is open in it) when the user
// presses "Backup Save Now (Test)": once the calls have been tried for their time, the user is
// told, and the log says that no backup was made; no copy instance is started.
TEST_F(BackupRun, APublisherBusyWithADialogIsToldAndLoggedNotPassedOverInSilence) {
    const fs::path menuFile = WriteDocument(L"Docs\\Menu.pub", {{L"Menu"}});
    ASSERT_NO_FATAL_FAILURE(StartStandin({menuFile.wstring()}));
    ASSERT_TRUE(Store::Set(L"WhereOption", L"2"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(StandinSettings::SetFault(L"running:busy", L"busy 600000"));

    Click(ControlId::PushButton2);
    ASSERT_TRUE(
        WaitUntil([&] { return program_.FindMessageBox() != nullptr; }, std::chrono::seconds(120)))
        << "no message while Publisher was busy";
    const std::optional<SeenBox> box = program_.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, kProgramTitle);
    EXPECT_EQ(box->text, SavePublisher::kPublisherBusyMessage);
    ASSERT_TRUE(Answer(*box, IDOK));
    const std::vector<std::wstring> lines = log_->Lines();
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(lines[0].starts_with(
        L"Publisher did not answer (a dialog may be open in it): no backup at "))
        << ::testing::PrintToString(lines[0]);
    EXPECT_TRUE(CopyProcesses().empty());
    ASSERT_TRUE(StandinSettings::RemoveFault(L"running:busy"));
    EXPECT_EQ(standins_.back()->Close(), std::optional<DWORD>(0));
    ExpectDocumentsUnchanged();
    ASSERT_NO_FATAL_FAILURE(Close());
}

}  // namespace
}  // namespace kelbrook::e2e
