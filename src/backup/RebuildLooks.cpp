// What a publication holds beyond its shapes, rebuilt in the copy: its colour scheme (176),
// each page's choice to ignore its master (180) and its background (182), and its sections
// with their page numbering (178).
#include <string>

#include "backup/RebuildContent.h"

namespace kelbrook::SavePublisher {

void ContentRebuild::ColorScheme() {
    copy_.Step(176, [&] {
        const std::wstring scheme = original_.ColorScheme();
        if (copy_.Document().ColorScheme() != scheme) copy_.Document().SetColorScheme(scheme);
    });
}

// A plain page costs three reads: IgnoreMaster, Background and Exists. A picture background
// cannot be carried (Publisher writes a picture fill only from a file): the backup is
// incomplete, and the report names the page.
void ContentRebuild::PageLooks(PublisherPage& page, PublisherPage* target, int i) {
    copy_.Step(180, [&] {
        if (page.IgnoreMaster()) Use(target).SetIgnoreMaster(true);
    });
    if (copy_.Gone()) return;
    copy_.Step(182, [&] {
        const std::unique_ptr<PublisherPageBackground> background = page.Background();
        if (!Use(background).Exists()) return;
        const PublisherFill fill = background->Fill();
        if (fill.kind != PublisherFill::Kind::Solid) {
            throw Failure(L"The background of page " + std::to_wstring(i) + L" is " +
                          (fill.kind == PublisherFill::Kind::Picture ? L"a picture" : L"a blend") +
                          L", which a backup cannot carry");
        }
        const std::unique_ptr<PublisherPageBackground> copied = Use(target).Background();
        if (!Use(copied).Exists()) copied->Create();
        copied->SetFill(fill);
    });
}

// Once the pages exist: each section after the first begins where the original's does, and
// every section numbers its pages as the original's. Only what differs is written: a
// publication of one section numbered 1, 2, 3 costs its reads alone.
void ContentRebuild::Sections() {
    if (copy_.Gone()) return;
    copy_.Step(178, [&] {
        const std::unique_ptr<PublisherSections> originals = original_.Sections();
        const std::unique_ptr<PublisherSections> copies = copy_.Document().Sections();
        const int count = Use(originals).Count();
        for (int k = 1; k <= count; ++k) {
            const std::unique_ptr<PublisherSection> section = originals->Item(k);
            const std::unique_ptr<PublisherSection> made =
                k == 1 ? Use(copies).Item(1) : Use(copies).Add(Use(section).StartPageIndex());
            NumberLike(Use(section), Use(made), k == 1);
        }
    });
}

// The first section never continues another's numbers: that is not asked.
void ContentRebuild::NumberLike(PublisherSection& original, PublisherSection& made, bool first) {
    const bool continues = !first && original.ContinueNumbersFromPreviousSection();
    if (!first && made.ContinueNumbersFromPreviousSection() != continues) {
        made.SetContinueNumbersFromPreviousSection(continues);
    }
    if (!continues) {
        const int start = original.PageNumberStart();
        if (made.PageNumberStart() != start) made.SetPageNumberStart(start);
    }
    const int format = original.PageNumberFormat();
    if (made.PageNumberFormat() != format) made.SetPageNumberFormat(format);
}

}  // namespace kelbrook::SavePublisher
