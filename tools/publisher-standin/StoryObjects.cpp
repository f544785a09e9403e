// Stories, Story and TextRange: the text of an unlinked frame or of a chain of linked frames,
// and the text a frame shows of it.
#include "ObjectParts.h"

#include "Dispatch.h"
#include "Owners.h"
#include "Server.h"
#include "StandinPublication.h"
#include "StandinStories.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {
namespace {

std::wstring StringOf(const VARIANT& value) {
    Variant text;
    if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
        throw CallFailure{DISP_E_TYPEMISMATCH, L"", 0};
    }
    const BSTR bstr = V_BSTR(text.get());
    return std::wstring(bstr ? bstr : L"", bstr ? SysStringLen(bstr) : 0);
}

// ---- TextRange ----------------------------------------------------------------------------

constexpr Member kTextRangeMembers[] = {
    {1, L"Text"},
    {2, L"Copy"},
    {3, L"Paste"},
    {4, L"Length"},
};

// The text a frame shows (for a linked frame, the part of its story that reaches it and fits
// it), or the whole text of the frame's story.
class TextRange : public DispatchObject {
  public:
    TextRange(FrameRef frame, bool wholeStory)
        : DispatchObject(L"TextRange", kTextRangeMembers),
          frame_(std::move(frame)),
          wholeStory_(wholeStory) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnString(result, Text());
            case 2:
                return CopyTextToClipboard(Text());
            case 3: {
                // "Pastes the text on the Clipboard into the specified text range, and returns
                // a TextRange object that represents the pasted text": the range's text is
                // replaced by it.
                std::optional<std::wstring> pasted = TextFromClipboard();
                if (!pasted) Fail(L"The clipboard holds no text");
                SetText(std::move(*pasted));
                return ReturnObject(result, new TextRange(frame_, wholeStory_));
            }
            default:
                return ReturnLong(result, static_cast<long>(Text().size()));
        }
    }
    void Put(DISPID id, const VARIANT& value) override {
        if (id != 1) DispatchObject::Put(id, value);
        SetText(StringOf(value));
    }

  private:
    std::wstring Text() const {
        const Shape& frame = frame_.Get();
        return wholeStory_ ? FlowOf(*frame_.document).StoryText(frame) : frame.text;
    }
    void SetText(std::wstring text) {
        Shape& frame = frame_.Get();
        StoryFlow flow = FlowOf(*frame_.document);
        if (wholeStory_) {
            flow.SetStoryText(frame, std::move(text));
        } else {
            flow.SetFrameText(frame, std::move(text));
        }
        frame_.document->saved = false;
    }

    FrameRef frame_;
    bool wholeStory_;
};

// ---- Story --------------------------------------------------------------------------------

constexpr Member kStoryMembers[] = {
    {1, L"HasTextFrame"},
    {2, L"TextFrame"},
    {3, L"TextRange"},
};

// The story of a frame: the frame's own text when it is unlinked, its chain's story when not.
class Story : public DispatchObject {
  public:
    explicit Story(FrameRef frame) : DispatchObject(L"Story", kStoryMembers), frame_(frame) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        const Shape& frame = frame_.Get();
        switch (id) {
            case 1:
                return ReturnTriState(result, true);
            case 2: {
                const Shape* head = FlowOf(*frame_.document).ChainOf(frame).front();
                return ReturnObject(result, NewTextFrame(RefOf(frame_.document, head)));
            }
            default:
                return ReturnObject(result, NewTextRange(frame_, true));
        }
    }

  private:
    FrameRef frame_;
};

// ---- Stories ------------------------------------------------------------------------------

constexpr Member kStoriesMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
};

// "One Story object for each unlinked text frame, each chain of linked text frames": those of
// the pages and the scratch area in the order their first frames come, then the master
// pages' frames, which are never linked (*: the reference gives no order).
std::vector<FrameRef> StoryFrames(const DocumentPtr& document) {
    std::vector<FrameRef> frames;
    for (const Shape* head : FlowOf(*document).Heads()) frames.push_back(RefOf(document, head));
    for (const PagePtr& master : document->masters) {
        for (const PagePtr& half : {master, master->right}) {
            if (!half) continue;
            for (size_t i = 0; i < half->shapes.size(); ++i) {
                frames.push_back(FrameRef{document, half, i});
            }
        }
    }
    return frames;
}

class Stories : public DispatchObject {
  public:
    explicit Stories(DocumentPtr document)
        : DispatchObject(L"Stories", kStoriesMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const std::vector<FrameRef> frames = StoryFrames(document_);
        if (id == 1) return ReturnLong(result, static_cast<long>(frames.size()));
        const long index = arguments.Long(0);
        if (index < 1 || static_cast<size_t>(index) > frames.size()) {
            Fail(OutOfRange(index, frames.size()));
        }
        ReturnObject(result, new Story(frames[static_cast<size_t>(index) - 1]));
    }

  private:
    DocumentPtr document_;
};

}  // namespace

IDispatch* NewTextRange(FrameRef frame, bool wholeStory) {
    return new TextRange(std::move(frame), wholeStory);
}

IDispatch* NewStory(FrameRef frame) {
    return new Story(std::move(frame));
}

IDispatch* NewStories(DocumentPtr document) {
    return new Stories(std::move(document));
}

}  // namespace standin
