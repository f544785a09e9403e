#include "ObjectParts.h"

#include "Dispatch.h"
#include "Owners.h"
#include "Server.h"
#include "StandinPublication.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace standin {
namespace {

// ---- ShapeRange -----------------------------------------------------------------------------

// Where pasted shapes land (*): offset from where they stood, as Publisher may place them (its
// reference does not say), so that a client that wants them in place must move them.
constexpr double kPasteOffset = 18;

constexpr Member kShapeRangeMembers[] = {
    {1, L"Count"},
    {2, L"Copy"},
    {3, L"Left"},
    {4, L"Top"},
    {5, L"IncrementLeft", {L"Increment"}},
    {6, L"IncrementTop", {L"Increment"}},
};

// Shapes first .. first + count of a page (or master page, or the scratch area), live.
class ShapeRange : public DispatchObject {
  public:
    ShapeRange(DocumentPtr document, PagePtr page, size_t first, size_t count)
        : DispatchObject(L"ShapeRange", kShapeRangeMembers),
          document_(std::move(document)),
          page_(std::move(page)),
          first_(first),
          count_(count) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const size_t first = std::min(first_, page_->shapes.size());
        const size_t end = std::min(page_->shapes.size(), first_ + count_);
        const std::vector<Shape> shapes(page_->shapes.begin() + first, page_->shapes.begin() + end);
        switch (id) {
            case 1:
                return ReturnLong(result, static_cast<long>(shapes.size()));
            case 2:
                return CopyShapesToClipboard(Detached(first, end));
            case 3:
            case 4: {
                if (shapes.empty()) Fail(L"the range holds no shapes");
                double least = id == 3 ? shapes.front().left : shapes.front().top;
                for (const Shape& shape : shapes) {
                    least = std::min(least, id == 3 ? shape.left : shape.top);
                }
                return ReturnDouble(result, least);
            }
            default: {
                const double increment = arguments.Number(0);
                for (size_t i = first; i < end; ++i) {
                    (id == 5 ? page_->shapes[i].left : page_->shapes[i].top) += increment;
                }
                document_->saved = false;
                return;
            }
        }
    }

  private:
    // A copied frame goes to the clipboard unlinked, holding its story from its own part to
    // the story's end, even when its whole chain is copied with it (*).
    // (The page's own shapes, not copies: the flow finds a frame's part by the frame.)
    std::vector<Shape> Detached(size_t first, size_t end) const {
        const StoryFlow flow = FlowOf(*document_);
        std::vector<Shape> detached;
        for (size_t i = first; i < end; ++i) detached.push_back(flow.Detached(page_->shapes[i]));
        return detached;
    }

    DocumentPtr document_;
    PagePtr page_;
    size_t first_, count_;
};

// ---- Shapes -------------------------------------------------------------------------------

constexpr Member kShapesMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
    {2, L"Range", {L"Index"}},
    {3, L"Paste"},
};

class Shapes : public DispatchObject {
  public:
    Shapes(DocumentPtr document, PagePtr page)
        : DispatchObject(L"Shapes", kShapesMembers), document_(std::move(document)), page_(page) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        switch (id) {
            case DISPID_VALUE: {
                const long index = arguments.Long(0);
                if (index < 1 || static_cast<size_t>(index) > page_->shapes.size()) {
                    Fail(OutOfRange(index, page_->shapes.size()));
                }
                return ReturnObject(
                    result, NewShape(FrameRef{document_, page_, static_cast<size_t>(index) - 1}));
            }
            case 1:
                return ReturnLong(result, static_cast<long>(page_->shapes.size()));
            case 2:
                if (arguments.Has(0)) Fail(L"this stand-in takes the range of all shapes only");
                return ReturnObject(result,
                                    new ShapeRange(document_, page_, 0, page_->shapes.size()));
            default: {
                std::vector<Shape> pasted = ShapesFromClipboard();
                const size_t first = page_->shapes.size();
                for (Shape& shape : pasted) {
                    shape.left += kPasteOffset;
                    shape.top += kPasteOffset;
                    page_->shapes.push_back(std::move(shape));
                }
                document_->saved = false;
                return ReturnObject(result, new ShapeRange(document_, page_, first, pasted.size()));
            }
        }
    }

  private:
    DocumentPtr document_;
    PagePtr page_;
};

}  // namespace

IDispatch* NewShapes(DocumentPtr document, PagePtr page) {
    return new Shapes(std::move(document), std::move(page));
}

namespace {

constexpr Member kScratchAreaMembers[] = {
    {1, L"Shapes"},
};

class ScratchArea : public DispatchObject {
  public:
    explicit ScratchArea(DocumentPtr document)
        : DispatchObject(L"ScratchArea", kScratchAreaMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID, const Arguments&, VARIANT* result) override {
        ReturnObject(result, new Shapes(document_, document_->scratch));
    }

  private:
    DocumentPtr document_;
};

}  // namespace

IDispatch* NewScratchArea(DocumentPtr document) {
    return new ScratchArea(std::move(document));
}

}  // namespace standin
