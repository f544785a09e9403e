#include "backup/RebuildContent.h"

namespace kelbrook::SavePublisher {

namespace {

// Where pasted shapes stood before: Publisher does not say where a paste puts them, so the
// pasted range is moved by the difference, as a whole. Writes nothing when it is in place.
void PlaceLike(PublisherShapeRange& pasted, double left, double top) {
    const double across = left - pasted.Left();
    const double down = top - pasted.Top();
    if (across != 0) pasted.IncrementLeft(across);
    if (down != 0) pasted.IncrementTop(down);
}

}  // namespace

std::optional<std::wstring> ContentRebuild::Run() {
    const std::size_t beforeContent = context_.run.failures().size();
    PageSetup();  // a backup of the wrong size lacks what it should hold too
    ColorScheme();
    MasterPages();
    Pages();
    Sections();
    Scratch();
    Stories();
    const std::vector<std::wstring>& failures = context_.run.failures();
    if (failures.size() > beforeContent) return failures[beforeContent];
    return std::nullopt;
}

// Without the page size, the backup is made at the size Publisher gives a new publication, and
// saved apart as incomplete.
void ContentRebuild::PageSetup() {
    copy_.Step(136, [&] {
        const std::unique_ptr<PublisherPageSetup> original = original_.PageSetup();
        const double width = Use(original).PageWidth();
        const double height = original->PageHeight();
        const std::unique_ptr<PublisherPageSetup> copied = copy_.Document().PageSetup();
        Use(copied).SetPageWidth(width);
        copied->SetPageHeight(height);
    });
}

void ContentRebuild::CopyShapesAcross(PublisherShapes& from, PublisherShapes& to) {
    if (from.Count() == 0) return;
    context_.scope.KeepClipboard(context_.ports.clipboard);
    context_.ports.clipboard.WaitUntilFree();
    const std::unique_ptr<PublisherShapeRange> range = from.Range();
    const double left = Use(range).Left();
    const double top = range->Top();
    range->Copy();
    context_.ports.clipboard.WaitUntilFree();
    PlaceLike(Use(to.Paste()), left, top);
}

// The original's master pages, two-page ones as two-page ones, each half with its original's
// shapes; each page's master is set at 126 when the original has more than one.
void ContentRebuild::MasterPages() {
    pageMastersFailed_ = copy_
                             .Step(122,
                                   [&] {
                                       const std::unique_ptr<PublisherMasterPages> originals =
                                           original_.MasterPages();
                                       const std::unique_ptr<PublisherMasterPages> masters =
                                           copy_.Document().MasterPages();
                                       masterCount_ = masters_.CopyFrom(
                                           Use(originals), Use(masters),
                                           [&](PublisherShapes& from, PublisherShapes& to) {
                                               CopyShapesAcross(from, to);
                                           });
                                   })
                             .has_value();
}

PublisherPages& ContentRebuild::TargetPages() {
    if (!copyPages_) copyPages_ = copy_.Document().Pages();
    return Use(copyPages_);
}

void ContentRebuild::Pages() {
    GuardedProcedure& run = context_.run;
    std::int16_t i = 0;
    run.Step(140, [&] { i = 1; });
    std::unique_ptr<PublisherPageEnumeration> pages;
    if (!copy_.Gone()) run.Step(142, [&] { pages = Use(original_.Pages()).Enumerate(); });
    int pageStep = 142;
    while (pages && !copy_.Gone()) {
        std::unique_ptr<PublisherPage> page;
        bool ended = true;
        run.Step(pageStep, [&] {
            page = pages->Next();
            ended = page == nullptr;
        });
        pageStep = 158;
        if (ended) break;
        Page(*page, i);
        if (copy_.Gone()) break;
        run.Step(156, [&] { i = Int16(i + 1); });
    }
}

void ContentRebuild::Page(PublisherPage& page, std::int16_t i) {
    std::unique_ptr<PublisherPage> target;
    if (context_.run.Test(144, [&] { return i == 1; })) {
        copy_.Step(146, [&] { target = TargetPages().Item(1); });
    } else {
        copy_.Step(148, [&] {
            PublisherPages& pagesOfCopy = TargetPages();
            if (copyPageCount_ < 0) copyPageCount_ = pagesOfCopy.Count();
            target = pagesOfCopy.Add(1, copyPageCount_);
            ++copyPageCount_;
        });
    }
    if (copy_.Gone()) return;
    if (masterCount_ > 1 && !pageMastersFailed_) PageMaster(page, target.get());
    PageShapes(page, target.get());
    PageLooks(page, target.get(), i);
}

// 126: the page's master, by the PageID of the original's (nothing to do when there is only
// one master page). A master that cannot be read or set costs that page alone.
void ContentRebuild::PageMaster(PublisherPage& page, PublisherPage* target) {
    copy_.Step(126, [&] {
        const std::int64_t master = Use(page.Master()).PageID();
        Use(target).SetMaster(masters_.CounterpartOf(master));
    });
}

// 150 to 154. A page whose shapes never reached the clipboard has nothing to paste: the
// clipboard holds the user's content, or an earlier page's shapes.
void ContentRebuild::PageShapes(PublisherPage& page, PublisherPage* target) {
    GuardedProcedure& run = context_.run;
    std::unique_ptr<PublisherShapes> shapes;  // the page's, fetched once
    if (!run.Test(150, [&] {
            shapes = page.Shapes();
            return Use(shapes).Count() > 0;
        })) {
        return;
    }
    double left = 0, top = 0;  // where the shapes stand
    const std::optional<std::wstring> copyFailure = run.Step(152, [&] {
        context_.scope.KeepClipboard(context_.ports.clipboard);
        context_.ports.clipboard.WaitUntilFree();
        const std::unique_ptr<PublisherShapeRange> range = Use(shapes).Range();
        left = Use(range).Left();
        top = range->Top();
        range->Copy();
    });
    if (copyFailure) return;
    // 154 pastes, then puts the pasted shapes where they stood.
    copy_.Step(154, [&] {
        context_.ports.clipboard.WaitUntilFree();
        PlaceLike(Use(Use(Use(target).Shapes()).Paste()), left, top);
    });
}

void ContentRebuild::Scratch() {
    if (copy_.Gone()) return;
    copy_.Step(168, [&] {
        CopyShapesAcross(Use(original_.ScratchShapes()), Use(copy_.Document().ScratchShapes()));
    });
}

}  // namespace kelbrook::SavePublisher
