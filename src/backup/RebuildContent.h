// Steps 136 to 182: a changed publication rebuilt in its copy instance. The page size (136),
// the colour scheme (176), the master pages with their shapes (122), every page in order with
// its shapes (140 to 158), its master (126), whether it ignores its master (180) and its
// background (182), then the sections and their numbering (178), the scratch area (168) and
// the stories that flow through linked frames (184 to 188); shapes and stories go across
// through the clipboard, and shapes are put where they stood.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/BackupRunContext.h"
#include "backup/CopyInstance.h"
#include "backup/MasterPageMap.h"

namespace kelbrook::SavePublisher {

class ContentRebuild {
  public:
    ContentRebuild(BackupRunContext& context, CopyInstance& copy, PublisherDocument& original)
        : context_(context), copy_(copy), original_(original) {}
    ContentRebuild(const ContentRebuild&) = delete;
    ContentRebuild& operator=(const ContentRebuild&) = delete;

    // Runs the content steps. The first failure of a step that carries content (122 to 168),
    // which makes the copy incomplete; nothing when it holds everything.
    std::optional<std::wstring> Run();

    // Where a frame stands: its page (0: the scratch area) and its 1-based place among the
    // page's shapes.
    struct FramePlace {
        int page = 0;
        int shape = 0;
    };

  private:
    // A chain of linked frames of the original: its story, its frames' shape IDs and where
    // they stand, in the chain's order.
    struct StoryChain {
        std::unique_ptr<PublisherStory> story;
        std::vector<std::int64_t> ids;
        std::vector<FramePlace> places;
    };

    void PageSetup();    // 136
    void ColorScheme();  // 176, before the first paste: a pasted shape takes the scheme's colours
    void MasterPages();  // 122
    void Pages();        // 140 to 158
    // One page: its target page in the copy (144 to 148), its master (126), its shapes (150
    // to 154).
    void Page(PublisherPage& page, std::int16_t i);
    void PageMaster(PublisherPage& page, PublisherPage* target);
    void PageShapes(PublisherPage& page, PublisherPage* target);
    // 180, 182: whether the page ignores its master, and its background; `i` its number.
    void PageLooks(PublisherPage& page, PublisherPage* target, int i);
    void Sections();  // 178
    // A section's numbering given to the copy's, where it differs.
    static void NumberLike(PublisherSection& original, PublisherSection& made, bool first);
    void Scratch();  // 168
    // 184 to 188: the chains of linked frames the original's stories flow through, made
    // again in the copy, one report for each story that cannot be carried whole.
    void Stories();
    std::vector<StoryChain> LinkedStories();       // 184
    void Locate(std::vector<StoryChain>& chains);  // 186
    void CarryStory(StoryChain& chain);            // 188
    FramePlace PlaceOf(PublisherShape& shape, std::vector<std::int64_t>& ids);
    std::unique_ptr<PublisherTextFrame> CopyFrame(FramePlace place);
    // The shapes of one page (or master page, or the scratch area) copied through the
    // clipboard onto another and put where they stood.
    void CopyShapesAcross(PublisherShapes& from, PublisherShapes& to);
    // The copy's pages, fetched once for the whole document.
    PublisherPages& TargetPages();

    BackupRunContext& context_;
    CopyInstance& copy_;
    PublisherDocument& original_;
    // References into the copy, released when the rebuild ends (before the copy is let go).
    std::unique_ptr<PublisherPages> copyPages_;
    MasterPageMap masters_;  // the copy's, matched to the original's by PageID
    std::optional<std::vector<std::int64_t>>
        scratchIds_;          // the original's, once a story needs them
    int copyPageCount_ = -1;  // read once, then kept
    int masterCount_ = 1;     // a two-page master counts once
    // A copy whose master pages could not all be made cannot be given them page by page. (A
    // failure at 126 costs its own page alone.)
    bool pageMastersFailed_ = false;
};

}  // namespace kelbrook::SavePublisher
