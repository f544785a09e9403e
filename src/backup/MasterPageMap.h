// The master pages of a publication's copy, each matched to its original by PageID: a page's
// master is found by the identifier Publisher gives it, never by a place that Publisher may
// count otherwise (a master page has no place in Pages, and a two-page master may take two
// places among the master pages).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "backup/PublisherAutomation.h"

namespace kelbrook {

class MasterPageMap {
  public:
    // Copies the shapes of one page (one half of a master page) onto another.
    using CopyShapes = std::function<void(PublisherShapes& from, PublisherShapes& to)>;

    // Gives the copy the original's master pages in their order, walking the original's
    // items as Publisher's reference walks them: an item that IsTwoPageMaster and the item
    // after it are the two halves of one two-page master, which the copy gets as a two-page
    // master too. The copy's first master page serves the original's first (a new
    // publication has one, a one-page one); the others are added. Each half of the copy gets
    // its original half's shapes, and each original half's PageID is noted with the copy's
    // matching half. The number of master pages, a two-page one counting once. Raises when
    // a master page cannot be read or made; what was matched until then stays matched.
    int CopyFrom(PublisherMasterPages& original, PublisherMasterPages& copy,
                 const CopyShapes& copyShapes);

    // The copy's master page (half) that matches the original's master page with this
    // PageID; raises when the copy has none, or when the PageID named halves of two master
    // pages of the original.
    PublisherPage& CounterpartOf(std::int64_t pageId) const;

    // Lets go of the copy's master pages and of every match.
    void clear();

  private:
    struct Half {
        std::unique_ptr<PublisherPage> page;  // the copy's
        int master = 0;                       // the master page it is (a half of), 1-based
    };
    void Match(PublisherPage& original, std::unique_ptr<PublisherPage> copy, int master,
               const CopyShapes& copyShapes);

    std::vector<Half> halves_;
    std::map<std::int64_t, std::size_t> byPageId_;  // -> halves_, or kAmbiguous
};

}  // namespace kelbrook
