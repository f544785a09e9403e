// Publisher's stories through IDispatch: Document.Stories, Story, Shape and TextFrame, and the
// text ranges the rebuild copies and pastes.
#include "backup/win32/ComPageObjects.h"

#include <cstdint>

#include "core/Failure.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

class ComTextFrame : public ComObject<PublisherTextFrame> {
  public:
    using ComObject::ComObject;
    bool HasNextLink() override { return object_.Boolean(L"HasNextLink"); }
    std::unique_ptr<PublisherTextFrame> NextLinkedTextFrame() override {
        return std::make_unique<ComTextFrame>(object_.Object(L"NextLinkedTextFrame", L"TextFrame"));
    }
    // `Set frame.NextLinkedTextFrame = next`, an object written by reference as a script
    // writes it; a Publisher that takes it only as a plain put answers that the member is not
    // found, or that the type does not match: then once more as a plain put.
    void SetNextLinkedTextFrame(PublisherTextFrame& next) override {
        auto* frame = dynamic_cast<ComTextFrame*>(&next);
        if (frame == nullptr)
            throw Failure(L"TextFrame.NextLinkedTextFrame: not a frame of Publisher's");
        try {
            object_.PutRef(L"NextLinkedTextFrame", ObjectArgument(frame->object_.get()));
        } catch (const Failure& failure) {
            if (failure.Code() != DISP_E_MEMBERNOTFOUND && failure.Code() != DISP_E_TYPEMISMATCH) {
                throw;
            }
            object_.Put(L"NextLinkedTextFrame", ObjectArgument(frame->object_.get()));
        }
    }
    std::unique_ptr<PublisherShape> Shape() override {
        return MakeShape(object_.Object(L"Parent", L"Shape"));
    }
    void ClearText() override {
        object_.Object(L"TextRange", L"TextRange").Put(L"Text", TextArgument(L""));
    }
    void PasteStory() override {
        object_.Object(L"Story", L"Story").Object(L"TextRange", L"TextRange").Call(L"Paste");
    }
};

class ComStory : public ComObject<PublisherStory> {
  public:
    using ComObject::ComObject;
    bool HasTextFrame() override { return object_.Boolean(L"HasTextFrame"); }
    std::unique_ptr<PublisherTextFrame> TextFrame() override {
        return std::make_unique<ComTextFrame>(object_.Object(L"TextFrame", L"TextFrame"));
    }
    void CopyText() override { object_.Object(L"TextRange", L"TextRange").Call(L"Copy"); }
};

class ComStories : public ComObject<PublisherStories> {
  public:
    using ComObject::ComObject;
    int Count() override { return object_.Integer(L"Count"); }
    std::unique_ptr<PublisherStory> Item(int index) override {
        return std::make_unique<ComStory>(With(L"Item", L"Story", {index}));
    }
};

class ComShape : public ComObject<PublisherShape> {
  public:
    using ComObject::ComObject;
    std::int64_t ID() override { return object_.Integer(L"ID"); }
    std::unique_ptr<PublisherTextFrame> TextFrame() override {
        return std::make_unique<ComTextFrame>(object_.Object(L"TextFrame", L"TextFrame"));
    }
    int PageIndex() override { return object_.Object(L"Parent", L"Page").Integer(L"PageIndex"); }
};

}  // namespace

std::unique_ptr<PublisherStories> MakeStories(DispatchObject stories) {
    return std::make_unique<ComStories>(std::move(stories));
}

std::unique_ptr<PublisherShape> MakeShape(DispatchObject shape) {
    return std::make_unique<ComShape>(std::move(shape));
}

}  // namespace kelbrook::win32
