// A document as the object model holds it (pages that objects share and that keep their
// PageIDs) and as the model stores it (a Publication, for files and the clipboard).
#include "Server.h"

#include "StandinPublication.h"

#include <memory>
#include <utility>

namespace standin {

std::shared_ptr<DocumentState> DocumentFrom(Publication publication) {
    auto document = std::make_shared<DocumentState>();
    document->width = publication.width;
    document->height = publication.height;
    for (Page& page : publication.pages) {
        document->pages.push_back(
            std::make_shared<PageState>(PageState{std::move(page.shapes), page.master}));
    }
    document->masters.clear();
    for (Page& master : publication.masters) {
        auto left = std::make_shared<PageState>(PageState{std::move(master.shapes), 0});
        if (master.right) left->right = std::make_shared<PageState>(PageState{*master.right, 0});
        document->masters.push_back(std::move(left));
    }
    document->scratch->shapes = std::move(publication.scratch);
    return document;
}

Publication PublicationOf(const DocumentState& document) {
    Publication publication;
    publication.width = document.width;
    publication.height = document.height;
    for (const auto& page : document.pages) {
        publication.pages.push_back(Page{page->shapes, page->master});
    }
    publication.masters.clear();
    for (const auto& master : document.masters) {
        publication.masters.push_back(Page{master->shapes});
        if (master->right) publication.masters.back().right = master->right->shapes;
    }
    publication.scratch = document.scratch->shapes;
    return publication;
}

}  // namespace standin
