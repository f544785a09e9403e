// Publisher in memory: stories, text frames and shapes, on the stand-in's story model (a frame
// goes to the clipboard unlinked; a link into a frame that holds text or a link is refused).
#pragma once

#include "FakePublisherWorld.h"
#include "StandinStories.h"

namespace kelbrook::testing::fake {

// One shape (text frame) of a page, a master page or the scratch area: its place there.
struct FrameAt {
    Where where;
    std::size_t index = 0;

    standin::Shape& Frame() const {
        std::vector<standin::Shape>& shapes = where.Shapes();
        if (index >= shapes.size()) throw Failure(L"The shape has been deleted");
        return shapes[index];
    }
    standin::StoryFlow Flow() const {
        standin::Publication& publication = where.Document();
        return standin::StoryFlow(publication.stories, standin::LinkableFrames(publication));
    }
    // Where a frame of the same publication stands.
    FrameAt Of(const standin::Shape* frame) const {
        standin::Publication& publication = where.Document();
        FrameAt at{where, 0};
        at.where.half = 0;
        for (std::size_t p = 0; p < publication.pages.size(); ++p) {
            const auto& shapes = publication.pages[p].shapes;
            if (frame >= shapes.data() && frame < shapes.data() + shapes.size()) {
                at.where.kind = Where::Kind::Page;
                at.where.page = p;
                at.index = static_cast<std::size_t>(frame - shapes.data());
                return at;
            }
        }
        at.where.kind = Where::Kind::Scratch;
        at.index = static_cast<std::size_t>(frame - publication.scratch.data());
        return at;
    }
};

class TextFrame : public PublisherTextFrame {
  public:
    explicit TextFrame(FrameAt at) : at_(std::move(at)) {}
    bool HasNextLink() override {
        at_.where.Call(L"TextFrame.HasNextLink");
        return at_.Flow().Next(at_.Frame()) != nullptr;
    }
    std::unique_ptr<PublisherTextFrame> NextLinkedTextFrame() override {
        at_.where.Call(L"TextFrame.NextLinkedTextFrame");
        const standin::Shape* next = at_.Flow().Next(at_.Frame());
        if (next == nullptr) throw Failure(L"TextFrame.NextLinkedTextFrame: Nothing");
        return std::make_unique<TextFrame>(at_.Of(next));
    }
    void SetNextLinkedTextFrame(PublisherTextFrame& next) override {
        at_.where.Call(L"TextFrame.NextLinkedTextFrame put");
        auto* other = dynamic_cast<TextFrame*>(&next);
        if (other == nullptr || other->at_.where.instance != at_.where.instance ||
            other->at_.where.document != at_.where.document) {
            throw Failure(L"TextFrame.NextLinkedTextFrame: not a frame of this publication");
        }
        try {
            at_.Flow().Link(at_.Frame(), other->at_.Frame());
        } catch (const std::invalid_argument& refusal) {
            throw Failure(L"TextFrame.NextLinkedTextFrame: " + standin::FromUtf8(refusal.what()));
        }
        at_.where.Changed();
    }
    std::unique_ptr<PublisherShape> Shape() override;
    void ClearText() override {
        at_.where.Call(L"TextRange.Text put");
        at_.Flow().SetFrameText(at_.Frame(), L"");
        at_.where.Changed();
    }
    void PasteStory() override {
        at_.where.Call(L"TextRange.Paste");
        if (!at_.where.world->clipboardText) throw Failure(L"TextRange.Paste: no text");
        at_.Flow().SetStoryText(at_.Frame(), *at_.where.world->clipboardText);
        at_.where.Changed();
    }
    // Shape.ID: given the first time it is asked, kept with the shape.
    static std::int64_t IdOf(const FrameAt& at) {
        at.where.Call(L"Shape.ID");
        standin::Shape& frame = at.Frame();
        if (frame.id == 0) frame.id = at.where.world->nextShapeId += 7919;
        return frame.id;
    }

  private:
    FrameAt at_;
};

class Shape : public PublisherShape {
  public:
    explicit Shape(FrameAt at) : at_(std::move(at)) {}
    std::int64_t ID() override { return TextFrame::IdOf(at_); }
    std::unique_ptr<PublisherTextFrame> TextFrame() override {
        at_.where.Call(L"Shape.TextFrame");
        at_.Frame();
        return std::make_unique<fake::TextFrame>(at_);
    }
    int PageIndex() override {
        at_.where.Call(L"Shape.Parent");
        at_.Frame();
        at_.where.Call(L"Page.PageIndex");
        if (at_.where.kind != Where::Kind::Page) throw Failure(L"Page.PageIndex: not on a page");
        return static_cast<int>(at_.where.page + 1);
    }

  private:
    FrameAt at_;
};

inline std::unique_ptr<PublisherShape> TextFrame::Shape() {
    at_.where.Call(L"TextFrame.Parent");
    at_.Frame();
    return std::make_unique<fake::Shape>(at_);
}

class Story : public PublisherStory {
  public:
    explicit Story(FrameAt head) : head_(std::move(head)) {}
    bool HasTextFrame() override {
        head_.where.Call(L"Story.HasTextFrame");
        return true;
    }
    std::unique_ptr<PublisherTextFrame> TextFrame() override {
        head_.where.Call(L"Story.TextFrame");
        return std::make_unique<fake::TextFrame>(head_);
    }
    void CopyText() override {
        head_.where.Call(L"TextRange.Copy");
        head_.where.world->clipboardText = head_.Flow().StoryText(head_.Frame());
        head_.where.world->clipboardShapes.reset();
    }

  private:
    FrameAt head_;
};

// The stories of the pages and the scratch area (one per unlinked frame and per chain), then
// each master page's frames, as the stand-in lists them.
class Stories : public PublisherStories {
  public:
    explicit Stories(Where where) : w_(std::move(where)) {}
    int Count() override {
        w_.Call(L"Stories.Count");
        return static_cast<int>(Heads().size());
    }
    std::unique_ptr<PublisherStory> Item(int index) override {
        w_.Call(L"Stories.Item");
        const std::vector<FrameAt> heads = Heads();
        if (index < 1 || static_cast<std::size_t>(index) > heads.size())
            throw Failure(L"Stories.Item: index out of range");
        return std::make_unique<Story>(heads[static_cast<std::size_t>(index) - 1]);
    }

  private:
    std::vector<FrameAt> Heads() const {
        const FrameAt base{w_, 0};
        std::vector<FrameAt> heads;
        for (const standin::Shape* head : base.Flow().Heads()) heads.push_back(base.Of(head));
        standin::Publication& publication = w_.Document();
        for (std::size_t m = 0; m < publication.masters.size(); ++m) {
            for (int half = 0; half < (publication.masters[m].right ? 2 : 1); ++half) {
                Where master = w_;
                master.kind = Where::Kind::Master;
                master.page = m;
                master.half = half;
                for (std::size_t k = 0; k < master.Shapes().size(); ++k)
                    heads.push_back({master, k});
            }
        }
        return heads;
    }
    Where w_;
};

}  // namespace kelbrook::testing::fake
