// The object model's parts, as the files that make them hand them to each other.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "Server.h"
#include "StandinStories.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

using DocumentPtr = std::shared_ptr<DocumentState>;
using PagePtr = std::shared_ptr<PageState>;

// "index 9 is out of range (there is 1 item)".
std::wstring OutOfRange(long index, size_t count);

// New objects, each with one reference, the caller's.
IDispatch* NewPage(DocumentPtr document, PagePtr page);  // a page or a master page
IDispatch* NewPages(DocumentPtr document);
IDispatch* NewMasterPages(DocumentPtr document);
IDispatch* NewShapes(DocumentPtr document, PagePtr page);
IDispatch* NewScratchArea(DocumentPtr document);
IDispatch* NewPageBackground(DocumentPtr document, PagePtr page);  // an ordinary page's
IDispatch* NewSections(DocumentPtr document);
IDispatch* NewColorSchemes();
IDispatch* NewColorScheme(std::wstring name);
// The name of a ColorScheme object of this instance; nullopt for any other value.
std::optional<std::wstring> ColorSchemeNameOf(const VARIANT& value);

// A shape (a text frame) by where it is: its page (an ordinary page, a master page or a half of
// one, or the scratch area) and its place there. Shapes are only ever appended, so the place
// stays the shape's.
struct FrameRef {
    DocumentPtr document;
    PagePtr page;
    size_t index = 0;
    Shape& Get() const;  // Fail()s when the shape is gone
};
// Where a shape of the document is; Fail()s when none of its pages holds it.
FrameRef RefOf(const DocumentPtr& document, const Shape* shape);
// The document's stories over its linkable frames; valid until a shape is added.
StoryFlow FlowOf(DocumentState& document);
// MsoTriState as a Long: msoTrue -1, msoFalse 0.
void ReturnTriState(VARIANT* result, bool value);

IDispatch* NewShape(FrameRef frame);
IDispatch* NewTextFrame(FrameRef frame);
// The text the frame shows, or (wholeStory) the whole text of the frame's story.
IDispatch* NewTextRange(FrameRef frame, bool wholeStory);
IDispatch* NewStory(FrameRef frame);  // the story the frame shows part of
IDispatch* NewStories(DocumentPtr document);
// The frame of a Shape (kind L"Shape") or TextFrame (L"TextFrame") object of this instance;
// nullopt for anything else, Nothing included.
std::optional<FrameRef> FrameOfObject(IDispatch* value, std::wstring_view kind);

}  // namespace standin
