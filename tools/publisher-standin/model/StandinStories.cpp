#include "StandinStories.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace standin {
namespace {

bool IsHighSurrogate(wchar_t c) {
    return sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF;
}

// How much of `text` from `offset` a frame of this capacity shows: all of it without one, and
// never half of a surrogate pair.
std::size_t PartLength(const std::wstring& text, std::size_t offset, int capacity) {
    const std::size_t rest = text.size() - std::min(offset, text.size());
    if (capacity <= 0 || static_cast<std::size_t>(capacity) >= rest) return rest;
    std::size_t take = static_cast<std::size_t>(capacity);
    if (IsHighSurrogate(text[offset + take - 1])) take = take > 1 ? take - 1 : take + 1;
    return take;
}

}  // namespace

std::vector<Shape*> LinkableFrames(Publication& publication) {
    std::vector<Shape*> frames;
    for (Page& page : publication.pages) {
        for (Shape& shape : page.shapes) frames.push_back(&shape);
    }
    for (Shape& shape : publication.scratch) frames.push_back(&shape);
    return frames;
}

void FlowStories(Publication& publication) {
    StoryFlow(publication.stories, LinkableFrames(publication)).Flow();
}

StoryFlow::StoryFlow(std::vector<std::wstring>& stories, std::vector<Shape*> frames)
    : stories_(stories), frames_(std::move(frames)) {}

void StoryFlow::Flow() {
    // A story's frames; a chain of one is an unlinked frame holding the story.
    std::vector<std::size_t> frameCount(stories_.size() + 1, 0);
    for (Shape* frame : frames_) {
        if (frame->story < 1 || static_cast<std::size_t>(frame->story) > stories_.size()) {
            frame->story = frame->place = 0;
        }
        ++frameCount[static_cast<std::size_t>(frame->story)];
    }
    for (Shape* frame : frames_) {
        const auto story = static_cast<std::size_t>(frame->story);
        if (story == 0 || frameCount[story] > 1) continue;
        frame->text = stories_[story - 1];
        frame->story = frame->place = 0;
    }
    // Numbered in the order their frames first come.
    std::vector<int> renumbered(stories_.size() + 1, 0);
    std::vector<std::wstring> texts;
    for (Shape* frame : frames_) {
        if (frame->story == 0) continue;
        int& number = renumbered[static_cast<std::size_t>(frame->story)];
        if (number == 0) {
            texts.push_back(std::move(stories_[static_cast<std::size_t>(frame->story) - 1]));
            number = static_cast<int>(texts.size());
        }
        frame->story = number;
    }
    stories_ = std::move(texts);
    for (std::size_t s = 0; s < stories_.size(); ++s) {
        const std::wstring& text = stories_[s];
        std::vector<Shape*> chain;
        for (Shape* frame : frames_) {
            if (static_cast<std::size_t>(frame->story) == s + 1) chain.push_back(frame);
        }
        std::stable_sort(chain.begin(), chain.end(),
                         [](const Shape* a, const Shape* b) { return a->place < b->place; });
        std::size_t offset = 0;
        for (std::size_t k = 0; k < chain.size(); ++k) {
            const std::size_t length = PartLength(text, offset, chain[k]->capacity);
            chain[k]->text = text.substr(std::min(offset, text.size()), length);
            chain[k]->place = static_cast<int>(k + 1);
            offset += length;
        }
    }
}

bool StoryFlow::Holds(const Shape& frame) const {
    return std::find(frames_.begin(), frames_.end(), &frame) != frames_.end();
}

std::vector<Shape*> StoryFlow::ChainOf(const Shape& frame) const {
    if (frame.story == 0) return {const_cast<Shape*>(&frame)};
    std::vector<Shape*> chain;
    for (Shape* other : frames_) {
        if (other->story == frame.story) chain.push_back(other);
    }
    std::stable_sort(chain.begin(), chain.end(),
                     [](const Shape* a, const Shape* b) { return a->place < b->place; });
    return chain;
}

Shape* StoryFlow::Next(const Shape& frame) const {
    const std::vector<Shape*> chain = ChainOf(frame);
    const auto at = std::find(chain.begin(), chain.end(), &frame);
    return at == chain.end() || at + 1 == chain.end() ? nullptr : *(at + 1);
}

Shape* StoryFlow::Previous(const Shape& frame) const {
    const std::vector<Shape*> chain = ChainOf(frame);
    const auto at = std::find(chain.begin(), chain.end(), &frame);
    return at == chain.end() || at == chain.begin() ? nullptr : *(at - 1);
}

std::vector<Shape*> StoryFlow::Heads() const {
    std::vector<Shape*> heads;
    for (Shape* frame : frames_) {
        if (frame->story == 0 || frame->place == 1) heads.push_back(frame);
    }
    return heads;
}

std::optional<std::wstring> StoryFlow::LinkRefusal(const Shape& from, const Shape& to) const {
    if (!Holds(from) || !Holds(to)) return L"Frames on master pages cannot be linked";
    if (&from == &to) return L"A frame cannot be linked to itself";
    if (to.story != 0) return L"The frame is already linked";
    if (!to.text.empty()) return L"The frame already contains text";
    if (Next(from) != nullptr) return L"The frame already links to another; break that link first";
    return std::nullopt;
}

void StoryFlow::Link(Shape& from, Shape& to) {
    if (const std::optional<std::wstring> refusal = LinkRefusal(from, to)) {
        throw std::invalid_argument(ToUtf8(*refusal));
    }
    if (from.story == 0) {
        stories_.push_back(from.text);
        from.story = static_cast<int>(stories_.size());
        from.place = 1;
    }
    to.story = from.story;
    to.place = from.place + 1;
    Flow();
}

void StoryFlow::BreakForwardLink(Shape& frame) {
    if (Next(frame) == nullptr) return;
    const std::vector<Shape*> chain = ChainOf(frame);
    bool after = false;
    for (Shape* other : chain) {
        if (after) {
            other->story = other->place = 0;
            other->text.clear();
        }
        after = after || other == &frame;
    }
    Flow();
}

std::size_t StoryFlow::OffsetOf(const Shape& frame) const {
    if (frame.story != 0 && !Holds(frame)) {
        throw std::invalid_argument("the frame is not one of the publication's frames");
    }
    std::size_t offset = 0;
    for (const Shape* other : ChainOf(frame)) {
        if (other == &frame) break;
        offset += other->text.size();
    }
    return offset;
}

std::wstring StoryFlow::StoryText(const Shape& frame) const {
    return frame.story == 0 ? frame.text : stories_[static_cast<std::size_t>(frame.story) - 1];
}

void StoryFlow::SetStoryText(Shape& frame, std::wstring text) {
    if (frame.story == 0) {
        frame.text = std::move(text);
        return;
    }
    stories_[static_cast<std::size_t>(frame.story) - 1] = std::move(text);
    Flow();
}

void StoryFlow::SetFrameText(Shape& frame, std::wstring text) {
    if (frame.story == 0) {
        frame.text = std::move(text);
        return;
    }
    std::wstring& story = stories_[static_cast<std::size_t>(frame.story) - 1];
    story.replace(std::min(OffsetOf(frame), story.size()), frame.text.size(), text);
    Flow();
}

Shape StoryFlow::Detached(const Shape& frame) const {
    Shape detached = frame;
    if (frame.story != 0) {
        const std::wstring& story = stories_[static_cast<std::size_t>(frame.story) - 1];
        detached.text = story.substr(std::min(OffsetOf(frame), story.size()));
    }
    detached.story = detached.place = 0;
    detached.id = 0;
    return detached;
}

}  // namespace standin
