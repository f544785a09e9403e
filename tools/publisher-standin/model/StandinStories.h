// Stories: text that flows through a chain of linked text frames. A story's text is the
// publication's (Publication::stories); each frame of its chain shows the part that reaches it
// and fits it (its capacity), the last frame what is left up to its own capacity (the rest
// overflows, kept but not shown). An unlinked frame is a story of its own: its text is its
// shape's.
//
// Publisher's reference: TextFrame.NextLinkedTextFrame is read/write; "ValidLinkTarget" is False
// "if LinkTarget already contains text or is already linked"; BreakForwardLink leaves "all of the
// text ... in the first series of linked shapes". What it does not say, the stand-in takes the
// less kind way: a frame that already links to another takes no new link until that one is
// broken, and a frame copied to the clipboard leaves its chain behind (Detached).
#pragma once

#include "StandinPublication.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// The frames a story can flow through, in the order stories are numbered: the pages' shapes,
// page by page, then the scratch area's. (Master pages' frames are never linked here.)
std::vector<Shape*> LinkableFrames(Publication& publication);

// A publication's stories and the frames they flow through. Holds references to both: the
// caller keeps them alive and passes the frames in LinkableFrames's order.
class StoryFlow {
  public:
    StoryFlow(std::vector<std::wstring>& stories, std::vector<Shape*> frames);

    // Numbers the stories in the order their frames first come, drops a story left with no
    // frame, places each chain's frames 1, 2, 3 in their order, and gives each linked frame the
    // part of its story that reaches it and fits it.
    void Flow();

    // The frame's chain in order; the frame alone when it is unlinked.
    std::vector<Shape*> ChainOf(const Shape& frame) const;
    Shape* Next(const Shape& frame) const;      // nullptr at a chain's end and when unlinked
    Shape* Previous(const Shape& frame) const;  // nullptr at a chain's head and when unlinked
    // Heads of the stories, one per story in frame order: each unlinked frame, and each
    // chain's first frame.
    std::vector<Shape*> Heads() const;

    // Why `to` cannot be linked after `from`; nullopt when it can.
    std::optional<std::wstring> LinkRefusal(const Shape& from, const Shape& to) const;
    // Links `to` after `from`: the story flows on into it. Throws std::invalid_argument with the
    // refusal.
    void Link(Shape& from, Shape& to);
    // The frames after `frame` leave its chain, empty; the story's text stays whole in the
    // frames up to `frame` (a chain's head left alone becomes an unlinked frame holding it all).
    // Nothing happens at a chain's end.
    void BreakForwardLink(Shape& frame);

    std::wstring StoryText(const Shape& frame) const;
    void SetStoryText(Shape& frame, std::wstring text);
    // Replaces the part the frame shows (its whole text when unlinked).
    void SetFrameText(Shape& frame, std::wstring text);
    // The frame as it goes to the clipboard: unlinked, holding its story from its own part to
    // the story's end (so that its chain's later text comes with it and overflows).
    Shape Detached(const Shape& frame) const;

  private:
    bool Holds(const Shape& frame) const;
    std::size_t OffsetOf(const Shape& frame) const;  // where its part starts in its story

    std::vector<std::wstring>& stories_;
    std::vector<Shape*> frames_;
};

// Flows a whole publication's stories (after its frames or stories were changed).
void FlowStories(Publication& publication);

}  // namespace standin
