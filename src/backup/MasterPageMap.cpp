#include "backup/MasterPageMap.h"

#include <set>
#include <string>
#include <utility>

#include "core/Failure.h"

namespace kelbrook {

namespace {

// A PageID that Publisher gave halves of two different master pages: no page can be matched by it.
constexpr std::size_t kAmbiguous = static_cast<std::size_t>(-1);

template <class T>
T& Need(const std::unique_ptr<T>& object) {
    if (!object) throw Failure(L"Object variable or With block variable not set");
    return *object;
}

// The place (1-based) of the copy's master page item with this PageID; raises when none has.
int PlaceOf(PublisherMasterPages& copy, std::int64_t pageId) {
    const int count = copy.Count();
    for (int item = 1; item <= count; ++item) {
        if (Need(copy.Item(item)).PageID() == pageId) return item;
    }
    throw Failure(L"The new master page (PageID " + std::to_wstring(pageId) +
                  L") is not among the master pages");
}

// The halves of the copy's master page for the original's next one: its first master page
// when `first`, else a new one; a two-page one when `twoPage` (then both halves, else the
// right one is null). Where Add puts a new master page, and which half of a two-page one it
// returns, is not said: it is found by the page Add returns, its other half beside it, the
// one no matched master page has (`known`, the copy's matched halves' PageIDs).
std::pair<std::unique_ptr<PublisherPage>, std::unique_ptr<PublisherPage>> MakeMaster(
    PublisherMasterPages& copy, bool first, bool twoPage, const std::set<std::int64_t>& known) {
    if (first) {
        std::unique_ptr<PublisherPage> left = copy.Item(1);
        if (!twoPage) return {std::move(left), nullptr};
        Need(left).SetIsTwoPageMaster(true);
        return {std::move(left), copy.Item(2)};
    }
    std::unique_ptr<PublisherPage> added = copy.Add(twoPage);
    if (!twoPage) return {std::move(added), nullptr};
    const int at = PlaceOf(copy, Need(added).PageID());
    added.reset();
    if (at < copy.Count()) {
        std::unique_ptr<PublisherPage> next = copy.Item(at + 1);
        if (Need(next).IsTwoPageMaster() && !known.count(next->PageID())) {
            return {copy.Item(at), std::move(next)};
        }
    }
    if (at == 1) throw Failure(L"The new two-page master page has no second half");
    return {copy.Item(at - 1), copy.Item(at)};
}

}  // namespace

int MasterPageMap::CopyFrom(PublisherMasterPages& original, PublisherMasterPages& copy,
                            const CopyShapes& copyShapes) {
    const int items = original.Count();
    const bool copyHasOne = copy.Count() > 0;
    int masters = 0;
    for (int item = 1; item <= items; ++item) {
        const std::unique_ptr<PublisherPage> left = original.Item(item);
        const bool twoPage = Need(left).IsTwoPageMaster();
        std::unique_ptr<PublisherPage> right;
        if (twoPage) {
            if (item == items) {
                throw Failure(L"The two-page master page at item " + std::to_wstring(item) +
                              L" of " + std::to_wstring(items) + L" has no second half");
            }
            right = original.Item(++item);
            // Never a master's shapes on the wrong half, silently.
            if (!Need(right).IsTwoPageMaster()) {
                throw Failure(L"The master page at item " + std::to_wstring(item) +
                              L", after the left half of a two-page master, is no right half");
            }
        }
        ++masters;
        std::set<std::int64_t> known;  // read only where a new two-page master needs them
        if (twoPage && !(masters == 1 && copyHasOne)) {
            for (const Half& half : halves_) known.insert(Need(half.page).PageID());
        }
        auto [copyLeft, copyRight] = MakeMaster(copy, masters == 1 && copyHasOne, twoPage, known);
        Match(*left, std::move(copyLeft), masters, copyShapes);
        if (twoPage) Match(Need(right), std::move(copyRight), masters, copyShapes);
    }
    return masters;
}

void MasterPageMap::Match(PublisherPage& original, std::unique_ptr<PublisherPage> copy, int master,
                          const CopyShapes& copyShapes) {
    copyShapes(Need(original.Shapes()), Need(Need(copy).Shapes()));
    const auto [at, added] = byPageId_.emplace(original.PageID(), halves_.size());
    if (!added && (at->second == kAmbiguous || halves_[at->second].master != master)) {
        at->second = kAmbiguous;
    }
    halves_.push_back(Half{std::move(copy), master});
}

PublisherPage& MasterPageMap::CounterpartOf(std::int64_t pageId) const {
    const auto found = byPageId_.find(pageId);
    if (found == byPageId_.end() || found->second == kAmbiguous) {
        throw Failure(L"The page's master page (PageID " + std::to_wstring(pageId) +
                      L") has no counterpart in the copy");
    }
    return *halves_[found->second].page;
}

void MasterPageMap::clear() {
    byPageId_.clear();
    halves_.clear();
}

}  // namespace kelbrook
