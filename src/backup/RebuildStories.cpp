// Stories that flow through linked frames (184 to 188). Publisher pastes a frame copied with
// its page as an unlinked frame, so every chain of the original is made again in the copy once
// the pages and the scratch area hold their frames: the chain's later frames emptied, linked
// in the original's order, and its whole story given to the first frame through the clipboard,
// formatted as it is.
#include <algorithm>
#include <map>
#include <string>

#include "backup/RebuildContent.h"

namespace kelbrook::SavePublisher {

namespace {

// Longer chains than this are taken for a chain that never ends.
constexpr std::size_t kLongestChain = 10000;

std::wstring WhereBegins(const ContentRebuild::FramePlace& place) {
    return place.page == 0 ? L"the scratch area" : L"page " + std::to_wstring(place.page);
}

}  // namespace

void ContentRebuild::Stories() {
    if (copy_.Gone()) return;
    std::vector<StoryChain> chains;
    copy_.Step(184, [&] { chains = LinkedStories(); });
    if (chains.empty() || copy_.Gone()) return;
    if (copy_.Step(186, [&] { Locate(chains); })) return;
    for (StoryChain& chain : chains) {
        if (copy_.Gone()) return;
        copy_.Step(188, [&] { CarryStory(chain); });
    }
}

// Each unlinked frame is a story of its own, and a page's paste leaves no link between frames
// of different pages: a copy with as many stories as the original has no link to make, and
// two reads are all such a publication pays. Otherwise the original's stories are read until
// every link between two places (two pages, or a page and the scratch area) has been found:
// each is one story more in the copy. (A link within a page may survive its paste.)
std::vector<ContentRebuild::StoryChain> ContentRebuild::LinkedStories() {
    const std::unique_ptr<PublisherStories> stories = original_.Stories();
    const int count = Use(stories).Count();
    const int more = Use(copy_.Document().Stories()).Count() - count;
    std::vector<StoryChain> chains;
    int across = 0;  // links found between two places
    for (int i = 1; i <= count && across < more; ++i) {
        std::unique_ptr<PublisherStory> story = stories->Item(i);
        if (!Use(story).HasTextFrame()) continue;  // a table's cell
        std::unique_ptr<PublisherTextFrame> frame = story->TextFrame();
        if (!Use(frame).HasNextLink()) continue;
        StoryChain chain{std::move(story), {}, {}};
        chain.places.push_back(PlaceOf(Use(frame->Shape()), chain.ids));
        do {
            if (chain.ids.size() == kLongestChain) {
                throw Failure(L"The chain of linked frames of story " + std::to_wstring(i) +
                              L" does not end");
            }
            frame = frame->NextLinkedTextFrame();
            chain.places.push_back(PlaceOf(Use(Use(frame).Shape()), chain.ids));
            if (chain.places.back().page != chain.places[chain.places.size() - 2].page) ++across;
        } while (frame->HasNextLink());
        chains.push_back(std::move(chain));
    }
    return chains;
}

// The page a frame's shape is on (0: the scratch area), its ID kept beside it.
ContentRebuild::FramePlace ContentRebuild::PlaceOf(PublisherShape& shape,
                                                   std::vector<std::int64_t>& ids) {
    const std::int64_t id = shape.ID();
    ids.push_back(id);
    if (!scratchIds_) {
        scratchIds_.emplace();
        const std::unique_ptr<PublisherShapes> scratch = original_.ScratchShapes();
        const int count = Use(scratch).Count();
        for (int k = 1; k <= count; ++k) scratchIds_->push_back(Use(scratch->Item(k)).ID());
    }
    const auto at = std::find(scratchIds_->begin(), scratchIds_->end(), id);
    if (at != scratchIds_->end())
        return FramePlace{0, static_cast<int>(at - scratchIds_->begin()) + 1};
    return FramePlace{shape.PageIndex(), 0};
}

// Each frame's place among its page's shapes, found by its ID: a page's shapes are read only
// as far as its last frame.
void ContentRebuild::Locate(std::vector<StoryChain>& chains) {
    std::map<int, std::vector<std::int64_t>> read;  // a page's shapes' IDs, in order
    std::map<int, std::unique_ptr<PublisherShapes>> pages;
    std::unique_ptr<PublisherPages> originals;
    for (StoryChain& chain : chains) {
        for (std::size_t f = 0; f < chain.places.size(); ++f) {
            FramePlace& place = chain.places[f];
            if (place.shape != 0) continue;  // in the scratch area
            std::vector<std::int64_t>& ids = read[place.page];
            const auto found = std::find(ids.begin(), ids.end(), chain.ids[f]);
            std::optional<std::size_t> at;
            if (found != ids.end()) at = static_cast<std::size_t>(found - ids.begin());
            if (!at) {
                std::unique_ptr<PublisherShapes>& shapes = pages[place.page];
                if (!shapes) {
                    if (!originals) originals = original_.Pages();
                    shapes = Use(Use(originals).Item(place.page)).Shapes();
                }
                const int count = Use(shapes).Count();
                while (!at && static_cast<int>(ids.size()) < count) {
                    ids.push_back(Use(shapes->Item(static_cast<int>(ids.size()) + 1)).ID());
                    if (ids.back() == chain.ids[f]) at = ids.size() - 1;
                }
            }
            if (!at) {
                throw Failure(L"A frame of the story that begins on " +
                              WhereBegins(chain.places.front()) + L" is not on page " +
                              std::to_wstring(place.page));
            }
            place.shape = static_cast<int>(*at) + 1;
        }
    }
}

// The copy's frame that stands where the original's does: its shapes were pasted in the
// original's order, onto pages in the original's order.
std::unique_ptr<PublisherTextFrame> ContentRebuild::CopyFrame(FramePlace place) {
    const std::unique_ptr<PublisherShapes> shapes =
        place.page == 0 ? copy_.Document().ScratchShapes()
                        : Use(TargetPages().Item(place.page)).Shapes();
    return Use(Use(shapes).Item(place.shape)).TextFrame();
}

void ContentRebuild::CarryStory(StoryChain& chain) {
    try {
        std::vector<std::unique_ptr<PublisherTextFrame>> frames;
        for (const FramePlace& place : chain.places) frames.push_back(CopyFrame(place));
        // Publisher links no frame that holds text: each later frame holds the rest of the
        // story from its own part on, as its page's paste left it.
        for (std::size_t f = 1; f < frames.size(); ++f) Use(frames[f]).ClearText();
        for (std::size_t f = 1; f < frames.size(); ++f) {
            Use(frames[f - 1]).SetNextLinkedTextFrame(Use(frames[f]));
        }
        context_.scope.KeepClipboard(context_.ports.clipboard);
        context_.ports.clipboard.WaitUntilFree();
        Use(chain.story).CopyText();
        context_.ports.clipboard.WaitUntilFree();
        Use(frames.front()).PasteStory();
    } catch (const Failure& failure) {
        throw Failure(L"The story that begins on " + WhereBegins(chain.places.front()) +
                          L" was not carried whole: " + failure.Description(),
                      failure.Code());
    }
}

}  // namespace kelbrook::SavePublisher
