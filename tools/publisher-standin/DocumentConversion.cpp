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
        auto state = std::make_shared<PageState>(PageState{std::move(page.shapes), page.master});
        state->ignoreMaster = page.ignoreMaster;
        state->background = std::move(page.background);
        document->pages.push_back(std::move(state));
    }
    document->masters.clear();
    for (Page& master : publication.masters) {
        auto left = std::make_shared<PageState>(PageState{std::move(master.shapes), 0});
        if (master.right) left->right = std::make_shared<PageState>(PageState{*master.right, 0});
        document->masters.push_back(std::move(left));
    }
    document->scratch->shapes = std::move(publication.scratch);
    document->stories = std::move(publication.stories);
    document->colorScheme = std::move(publication.colorScheme);
    document->sections.clear();
    for (const Section& section : publication.sections) {
        document->sections.push_back(std::make_shared<Section>(section));
    }
    return document;
}

Publication PublicationOf(const DocumentState& document) {
    Publication publication;
    publication.width = document.width;
    publication.height = document.height;
    for (const auto& page : document.pages) {
        publication.pages.push_back(Page{page->shapes, page->master});
        publication.pages.back().ignoreMaster = page->ignoreMaster;
        publication.pages.back().background = page->background;
    }
    publication.masters.clear();
    for (const auto& master : document.masters) {
        publication.masters.push_back(Page{master->shapes});
        if (master->right) publication.masters.back().right = master->right->shapes;
    }
    publication.scratch = document.scratch->shapes;
    publication.stories = document.stories;
    publication.colorScheme = document.colorScheme;
    publication.sections = SectionValues(document);
    return publication;
}

std::vector<Section> SectionValues(const DocumentState& document) {
    std::vector<Section> sections;
    for (const auto& section : document.sections) sections.push_back(*section);
    return sections;
}

std::vector<Shape*> LinkableFrames(DocumentState& document) {
    std::vector<Shape*> frames;
    for (const auto& page : document.pages) {
        for (Shape& shape : page->shapes) frames.push_back(&shape);
    }
    for (Shape& shape : document.scratch->shapes) frames.push_back(&shape);
    return frames;
}

}  // namespace standin
