// Stories that flow through linked frames (184 to 188). Publisher pastes a frame copied with
// its page as an unlinked frame, so every chain of the original is made again in the copy once
// the pages and the scratch area hold their frames: the chain's later frames emptied, linked
// in the original's order, and its whole story given to the first frame through the clipboard,
// formatted as it is.
#include <algorithm>
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

// Each unlinked frame is a story of its own, so a copy whose frames were all pasted unlinked
// has as many stories as the original only when the original links none: then two reads are
// all a publication pays.
std::vector<ContentRebuild::StoryChain> ContentRebuild::LinkedStories() {
    const std::unique_ptr<PublisherStories> stories = original_.Stories();
    const int count = Use(stories).Count();
    if (Use(copy_.Document().Stories()).Count() == count) return {};
    std::vector<StoryChain> chains;
    for (int i = 1; i <= count; ++i) {
        std::unique_ptr<PublisherStory> story = stories->Item(i);
        if (!Use(story).HasTextFrame()) continue;  // a table's cell
        std::unique_ptr<PublisherTextFrame> frame = story->TextFrame();
        if (!Use(frame).HasNextLink()) continue;
        StoryChain chain{std::move(story), {frame->ShapeID()}, {}};
        do {
            if (chain.ids.size() == kLongestChain) {
                throw Failure(L"The chain of linked frames of story " + std::to_wstring(i) +
                              L" does not end");
            }
            frame = frame->NextLinkedTextFrame();
            chain.ids.push_back(Use(frame).ShapeID());
        } while (frame->HasNextLink());
        chains.push_back(std::move(chain));
    }
    return chains;
}

// Where each frame of each chain stands: its page and place among the page's shapes (or the
// scratch area's), found by its shape's ID. Pages are read until every frame is found.
void ContentRebuild::Locate(std::vector<StoryChain>& chains) {
    std::size_t missing = 0;
    for (StoryChain& chain : chains) {
        chain.places.assign(chain.ids.size(), FramePlace{});
        missing += chain.ids.size();
    }
    const auto find = [&](PublisherShapes& shapes, int page) {
        const int count = shapes.Count();
        for (int k = 1; k <= count && missing > 0; ++k) {
            const std::int64_t id = Use(shapes.Item(k)).ID();
            for (StoryChain& chain : chains) {
                for (std::size_t f = 0; f < chain.ids.size(); ++f) {
                    if (chain.ids[f] != id || chain.places[f].shape != 0) continue;
                    chain.places[f] = FramePlace{page, k};
                    --missing;
                }
            }
        }
    };
    const std::unique_ptr<PublisherPages> pages = original_.Pages();
    const int count = Use(pages).Count();
    for (int p = 1; p <= count && missing > 0; ++p) find(Use(Use(pages->Item(p)).Shapes()), p);
    if (missing > 0) find(Use(original_.ScratchShapes()), 0);
    if (missing > 0) {
        throw Failure(
            L"A frame of a story that flows through linked frames is on no page and "
            L"not in the scratch area");
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
