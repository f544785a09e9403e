// One document's backup, phase by phase in the order the run takes them. The document's state
// (its name, folder, backup path, what Publisher says of it, how its copy fared) lives here
// for one document only, never into the next.
#pragma once

#include <optional>
#include <string>

#include "backup/BackupRunContext.h"
#include "backup/CopyInstance.h"
#include "backup/UnchangedSkip.h"

namespace kelbrook::SavePublisher {

class DocumentBackup {
  public:
    DocumentBackup(BackupRunContext& context, EndingCopies& ending, int k,
                   PublisherDocument& document)
        : context_(context), ending_(ending), k_(k), document_(document), copy_(context) {}
    DocumentBackup(const DocumentBackup&) = delete;
    DocumentBackup& operator=(const DocumentBackup&) = delete;

    // 162: a document Publisher would not hand over (reported at 104) is logged, with the
    // failure; no copy instance is started for it.
    static void LogNotHandedOver(BackupRunContext& context, int k, const std::wstring& failure);
    // The log line of a document the run could not back up because the user's Publisher
    // ended meanwhile.
    static void LogPublisherEnded(BackupRunContext& context, const std::wstring& name);

    // 106: whether Publisher calls the document saved, and its file. Nobody asked, so a
    // failure is traced, not reported, and counts as "changed".
    void ReadSavedState();
    // 106, 162: on schedule, an unchanged publication is logged and skipped. True when skipped.
    bool SkipIfUnchanged();
    // 112 to 134: the document's name, its folder by the options (asking for one with Option2
    // while it has none), and the backup path made of the two.
    void NameAndFolder();
    // 138: the backup's name, stamped as the naming option says.
    void Stamp();
    // 160, 162: a backup that would leave less than the free-space floor on its volume is not
    // written: told once for the volume, logged every run. True when refused.
    bool RefuseForSpace();
    // 160: a saved publication's backup is its file, copied byte for byte. True when that
    // settled the document (copied, or failed with a report); false when it must be rebuilt.
    bool CopyExactly();
    // 108: the copy instance for a rebuild.
    void StartCopy() { copy_.Create(); }
    // 136 to 168: the content rebuilt in the copy.
    void Rebuild();
    // The main window is closing: the copy goes without a question, unsaved.
    void AbandonCopy();
    // 160, 164: the copy is saved under the saving name and let go of.
    void SaveAndLetGo();
    // 160, 162: the saved file takes the backup's name and the log gains its line; a good
    // backup is remembered for the timer's skip and thins out the older ones. True when a
    // backup was written (an incomplete one too).
    bool Finish();
    // A publication with unsaved changes, as the run saw it, with the backup made of it when
    // `backedUp`; nothing for a saved one.
    std::optional<SeenUnsaved> Seen(bool backedUp);

  private:
    void FolderByOptions();
    std::wstring LowSpaceLine();
    void ThinOut();
    bool RecoveryPending() const;
    bool RecycleBinTakes();
    void Log(const std::wstring& line);  // 162
    void Remember();

    BackupRunContext& context_;
    EndingCopies& ending_;
    const int k_;
    PublisherDocument& document_;
    SavedState state_;
    std::wstring name_;
    std::wstring folder_;     // empty until the options give one
    bool oneFolder_ = false;  // the folder is the one for every publication's backups (Option1)
    std::wstring stem_;       // the folder and the name: every backup of the document begins so
    std::wstring backupPath_;
    std::wstring savingPath_;
    CopyInstance copy_;
    std::wstring lowSpaceVolume_;      // the volume the free space was read of
    std::wstring recycleVolume_;       // the volume whose Recycle Bin takes the thinned backups
    std::optional<LocalTime> seenAt_;  // the time of its backup's name
    std::optional<std::wstring> incomplete_;   // the first failure of a content step
    std::optional<std::wstring> saveFailure_;  // why no backup was written
};

}  // namespace kelbrook::SavePublisher
