// Shape and TextFrame: a shape on a page, a master page or the scratch area, and its text
// frame, which may be one of a chain of linked frames that a story flows through.
#include "ObjectParts.h"

#include "Dispatch.h"
#include "Owners.h"
#include "Server.h"
#include "StandinPublication.h"
#include "StandinStories.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace standin {

Shape& FrameRef::Get() const {
    if (!page || index >= page->shapes.size()) Fail(L"the shape is no longer in its publication");
    return page->shapes[index];
}

FrameRef RefOf(const DocumentPtr& document, const Shape* shape) {
    std::vector<PagePtr> pages = document->pages;
    pages.push_back(document->scratch);
    for (const PagePtr& master : document->masters) {
        pages.push_back(master);
        if (master->right) pages.push_back(master->right);
    }
    for (const PagePtr& page : pages) {
        for (size_t i = 0; i < page->shapes.size(); ++i) {
            if (&page->shapes[i] == shape) return FrameRef{document, page, i};
        }
    }
    Fail(L"the shape is no longer in its publication");
}

StoryFlow FlowOf(DocumentState& document) {
    return StoryFlow(document.stories, LinkableFrames(document));
}

void ReturnTriState(VARIANT* result, bool value) {
    ReturnLong(result, value ? -1 : 0);
}

namespace {

// A Shape.ID: a Long no other shape of the process has had, neither counted from 1 nor
// contiguous (as a page's PageID).
long NextShapeId() {
    static const unsigned long seed = GetCurrentProcessId() * 40503UL + GetTickCount() * 7UL;
    static unsigned long count = 0;
    unsigned long id = 0;
    while (id == 0) id = (++count * 3266489917UL + seed) & 0x7FFFFFFFUL;
    return static_cast<long>(id);
}

// The Shape and TextFrame objects alive, so that an object handed back to the stand-in as an
// argument is known as one of them before it is used as one.
std::vector<const IDispatch*>& LiveFrameObjects() {
    static std::vector<const IDispatch*> live;
    return live;
}

class FrameObject : public DispatchObject {
  public:
    FrameObject(std::wstring_view kind, std::span<const Member> members, FrameRef frame)
        : DispatchObject(kind, members), frame_(std::move(frame)) {
        LiveFrameObjects().push_back(this);
    }
    ~FrameObject() override {
        auto& live = LiveFrameObjects();
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
    }
    static std::optional<FrameRef> Of(IDispatch* value, std::wstring_view kind) {
        const auto& live = LiveFrameObjects();
        if (!value || std::find(live.begin(), live.end(), value) == live.end()) return std::nullopt;
        const auto* object = static_cast<const FrameObject*>(static_cast<DispatchObject*>(value));
        if (object->kind() != kind) return std::nullopt;
        return object->frame_;
    }

  protected:
    FrameRef frame_;
};

// ---- Shape --------------------------------------------------------------------------------

constexpr Member kShapeMembers[] = {
    {1, L"ID"},
    {2, L"TextFrame"},
    {3, L"HasTextFrame"},
    {4, L"Parent"},
};

// The page state a shape is on: its master page's left half for a two-page master's right
// half, whose page object is the whole master.
PagePtr FindPage(const FrameRef& frame) {
    for (const PagePtr& master : frame.document->masters) {
        if (master->right == frame.page) return master;
    }
    return frame.page;
}

// Every shape of the stand-in is a text frame.
class ShapeObject : public FrameObject {
  public:
    explicit ShapeObject(FrameRef frame) : FrameObject(L"Shape", kShapeMembers, std::move(frame)) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        Shape& shape = frame_.Get();
        switch (id) {
            case 1:
                // Given the first time it is asked for, and kept for the shape's life.
                if (shape.id == 0) shape.id = NextShapeId();
                return ReturnLong(result, shape.id);
            case 2:
                return ReturnObject(result, NewTextFrame(frame_));
            case 3:
                return ReturnTriState(result, true);
            default:  // the page (or master page) it is on; the scratch area's shape, that
                if (frame_.page == frame_.document->scratch) {
                    return ReturnObject(result, NewScratchArea(frame_.document));
                }
                return ReturnObject(result, NewPage(frame_.document, FindPage(frame_)));
        }
    }
};

// ---- TextFrame ----------------------------------------------------------------------------

constexpr Member kTextFrameMembers[] = {
    {1, L"TextRange"},
    {2, L"Story"},
    {3, L"NextLinkedTextFrame"},
    {4, L"PreviousLinkedTextFrame"},
    {5, L"HasNextLink"},
    {6, L"HasPreviousLink"},
    {7, L"BreakForwardLink"},
    {8, L"ValidLinkTarget", {L"LinkTarget"}},
    {9, L"Parent"},
};

// A TextFrame, or Nothing for no frame.
void ReturnFrame(VARIANT* result, const DocumentPtr& document, const Shape* frame) {
    ReturnObject(result, frame ? NewTextFrame(RefOf(document, frame)) : nullptr);
}

class TextFrameObject : public FrameObject {
  public:
    explicit TextFrameObject(FrameRef frame)
        : FrameObject(L"TextFrame", kTextFrameMembers, std::move(frame)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        Shape& frame = frame_.Get();
        StoryFlow flow = FlowOf(*frame_.document);
        switch (id) {
            case 1:
                return ReturnObject(result, NewTextRange(frame_, false));
            case 2:
                return ReturnObject(result, NewStory(frame_));
            case 3:
                return ReturnFrame(result, frame_.document, flow.Next(frame));
            case 4:
                return ReturnFrame(result, frame_.document, flow.Previous(frame));
            case 5:
                return ReturnTriState(result, flow.Next(frame) != nullptr);
            case 6:
                return ReturnTriState(result, flow.Previous(frame) != nullptr);
            case 7:
                return BreakForwardLink(flow, frame);
            case 8: {
                // "LinkTarget: The shape with the target text frame."
                const std::optional<FrameRef> target = Of(arguments.Object(0), L"Shape");
                if (!target || target->document != frame_.document) {
                    Fail(L"LinkTarget is not a Shape of this publication");
                }
                return ReturnBool(result, !flow.LinkRefusal(frame, target->Get()));
            }
            default:
                return ReturnObject(result, NewShape(frame_));
        }
    }

    // NextLinkedTextFrame, written with a TextFrame of the same publication (a put or a put by
    // reference): the story flows on into it. Nothing breaks the frame's forward link (*).
    void Put(DISPID id, const VARIANT& value) override {
        if (id != 3) DispatchObject::Put(id, value);
        Shape& frame = frame_.Get();
        StoryFlow flow = FlowOf(*frame_.document);
        if (V_VT(&value) == VT_DISPATCH && !V_DISPATCH(&value)) {
            return BreakForwardLink(flow, frame);
        }
        const std::optional<FrameRef> target =
            V_VT(&value) == VT_DISPATCH ? Of(V_DISPATCH(&value), L"TextFrame") : std::nullopt;
        if (!target || target->document != frame_.document) {
            Fail(L"The value is not a TextFrame of this publication");
        }
        Shape& to = target->Get();
        if (const std::optional<std::wstring> refusal = flow.LinkRefusal(frame, to)) {
            Fail(*refusal);
        }
        flow.Link(frame, to);
        frame_.document->saved = false;
    }

  private:
    void BreakForwardLink(StoryFlow& flow, Shape& frame) {
        if (!flow.Next(frame)) return;  // "if such a link exists"
        flow.BreakForwardLink(frame);
        frame_.document->saved = false;
    }
};

}  // namespace

IDispatch* NewShape(FrameRef frame) {
    return new ShapeObject(std::move(frame));
}

IDispatch* NewTextFrame(FrameRef frame) {
    return new TextFrameObject(std::move(frame));
}

std::optional<FrameRef> FrameOfObject(IDispatch* value, std::wstring_view kind) {
    return FrameObject::Of(value, kind);
}

}  // namespace standin
