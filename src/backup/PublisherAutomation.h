// The operations the program needs from Microsoft Publisher's automation object model, one
// interface per object kind. Every operation raises a Failure when Publisher refuses it or
// has gone; an object is released when its owner is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kelbrook {

inline constexpr wchar_t kPublisherProgId[] = L"Publisher.Application";
inline constexpr wchar_t kPublisherName[] = L"Microsoft Publisher";

class PublisherShapeRange {
  public:
    virtual ~PublisherShapeRange() = default;
    // Puts every shape of the range on the clipboard.
    virtual void Copy() = 0;
    // From the page's left edge to the leftmost edge of the range's shapes, in points (and from
    // its top edge to the topmost). Read-only in Publisher.
    virtual double Left() = 0;
    virtual double Top() = 0;
    // Moves every shape of the range across (down) by this many points.
    virtual void IncrementLeft(double points) = 0;
    virtual void IncrementTop(double points) = 0;
};

class PublisherShape;

// A text frame (Shape.TextFrame) and the chain of linked frames its story flows through.
class PublisherTextFrame {
  public:
    virtual ~PublisherTextFrame() = default;
    virtual bool HasNextLink() = 0;
    // The frame the story flows on to; only where HasNextLink.
    virtual std::unique_ptr<PublisherTextFrame> NextLinkedTextFrame() = 0;
    // Links `next` after this frame, so that the story flows on into it. Publisher refuses a
    // frame that holds text or is linked already.
    virtual void SetNextLinkedTextFrame(PublisherTextFrame& next) = 0;
    // The frame's shape (TextFrame.Parent).
    virtual std::unique_ptr<PublisherShape> Shape() = 0;
    // Empties the text the frame shows (TextFrame.TextRange.Text).
    virtual void ClearText() = 0;
    // The clipboard's text takes the place of the whole of the frame's story
    // (TextFrame.Story.TextRange.Paste).
    virtual void PasteStory() = 0;
};

// The text of an unlinked frame, of a chain of linked frames, or of a table cell.
class PublisherStory {
  public:
    virtual ~PublisherStory() = default;
    virtual bool HasTextFrame() = 0;
    // The first frame of its chain.
    virtual std::unique_ptr<PublisherTextFrame> TextFrame() = 0;
    // Puts the whole story's text, formatted, on the clipboard (Story.TextRange.Copy).
    virtual void CopyText() = 0;
};

class PublisherStories {
  public:
    virtual ~PublisherStories() = default;
    virtual int Count() = 0;
    // 1-based.
    virtual std::unique_ptr<PublisherStory> Item(int index) = 0;
};

class PublisherShape {
  public:
    virtual ~PublisherShape() = default;
    virtual std::int64_t ID() = 0;
    virtual std::unique_ptr<PublisherTextFrame> TextFrame() = 0;
    // The 1-based place in Pages of the page it is on (Shape.Parent.PageIndex); raises for a
    // shape on no page.
    virtual int PageIndex() = 0;
};

class PublisherShapes {
  public:
    virtual ~PublisherShapes() = default;
    virtual int Count() = 0;
    // 1-based, in the page's order.
    virtual std::unique_ptr<PublisherShape> Item(int index) = 0;
    // All shapes of the page.
    virtual std::unique_ptr<PublisherShapeRange> Range() = 0;
    // Places the clipboard's shapes on the page; the shapes pasted. Where they land is not
    // said: not necessarily where they stood.
    virtual std::unique_ptr<PublisherShapeRange> Paste() = 0;
};

// A fill as Publisher describes it (FillFormat and its ForeColor's ColorFormat): a solid colour,
// given as an RGB or as one of the publication's scheme colours, or a kind the program cannot
// carry (a picture, which Publisher writes only from a file, a gradient, a pattern).
struct PublisherFill {
    enum class Kind { Solid, Picture, Other };
    Kind kind = Kind::Solid;
    bool scheme = false;   // the colour is the scheme's (ColorFormat.Type)
    std::int32_t rgb = 0;  // ColorFormat.RGB, when not the scheme's
    int schemeColor = 0;   // ColorFormat.SchemeColor, when the scheme's
    bool operator==(const PublisherFill&) const = default;
};

// A page's background (Page.Background; publication pages only).
class PublisherPageBackground {
  public:
    virtual ~PublisherPageBackground() = default;
    virtual bool Exists() = 0;
    // Makes the page a background; "Permission denied" where it has one.
    virtual void Create() = 0;
    virtual PublisherFill Fill() = 0;
    // Gives the background a solid colour (an RGB, or the scheme's colour); other kinds raise.
    virtual void SetFill(const PublisherFill& fill) = 0;
};

class PublisherPage {
  public:
    virtual ~PublisherPage() = default;
    virtual std::unique_ptr<PublisherShapes> Shapes() = 0;
    // The page's master page (a page has one; a master page has none and raises). Which half
    // of a two-page master it is, is not said.
    virtual std::unique_ptr<PublisherPage> Master() = 0;
    // Applies a master page of the same publication to the page; a half of a two-page master
    // applies the whole of it.
    virtual void SetMaster(PublisherPage& master) = 0;
    // The page's identifier in its publication (Publisher's Long), master pages and each half
    // of a two-page master included; it stays the page's while the page lives.
    virtual std::int64_t PageID() = 0;
    // Master pages only (others raise): whether the master page is a two-page one. Set True,
    // a one-page master gets a right half; set False, a two-page one loses its right half.
    virtual bool IsTwoPageMaster() = 0;
    virtual void SetIsTwoPageMaster(bool twoPage) = 0;
    // Publication pages: whether the page ignores its master page's formatting.
    virtual bool IgnoreMaster() = 0;
    virtual void SetIgnoreMaster(bool ignore) = 0;
    // Publication pages only (a master page raises).
    virtual std::unique_ptr<PublisherPageBackground> Background() = 0;
};

// One section of a publication's pages and how they are numbered (Section).
class PublisherSection {
  public:
    virtual ~PublisherSection() = default;
    // The page (1-based) the section begins on.
    virtual int StartPageIndex() = 0;
    virtual int PageNumberStart() = 0;
    virtual void SetPageNumberStart(int number) = 0;
    // PbPageNumberFormat.
    virtual int PageNumberFormat() = 0;
    virtual void SetPageNumberFormat(int format) = 0;
    virtual bool ContinueNumbersFromPreviousSection() = 0;
    virtual void SetContinueNumbersFromPreviousSection(bool continues) = 0;
};

// A publication's sections (Document.Sections): the first begins on page 1.
class PublisherSections {
  public:
    virtual ~PublisherSections() = default;
    virtual int Count() = 0;
    // 1-based.
    virtual std::unique_ptr<PublisherSection> Item(int index) = 0;
    // A new section from that page on; "Permission denied" where a section begins there.
    virtual std::unique_ptr<PublisherSection> Add(int startPageIndex) = 0;
};

// A publication's master pages (Document.MasterPages). A two-page master may take two
// items: one that IsTwoPageMaster, then its other half.
class PublisherMasterPages {
  public:
    virtual ~PublisherMasterPages() = default;
    virtual int Count() = 0;
    // 1-based.
    virtual std::unique_ptr<PublisherPage> Item(int index) = 0;
    // A new, empty master page after the others, a two-page one when asked.
    virtual std::unique_ptr<PublisherPage> Add(bool isTwoPageMaster) = 0;
};

// The pages of a document in page order, one at a time.
class PublisherPageEnumeration {
  public:
    virtual ~PublisherPageEnumeration() = default;
    // The next page, or nothing after the last.
    virtual std::unique_ptr<PublisherPage> Next() = 0;
};

class PublisherPages {
  public:
    virtual ~PublisherPages() = default;
    virtual int Count() = 0;
    // 1-based.
    virtual std::unique_ptr<PublisherPage> Item(int index) = 0;
    // Adds `count` pages after page `after`; the first page added.
    virtual std::unique_ptr<PublisherPage> Add(int count, int after) = 0;
    virtual std::unique_ptr<PublisherPageEnumeration> Enumerate() = 0;
};

// A publication's page size, in points (Document.PageSetup).
class PublisherPageSetup {
  public:
    virtual ~PublisherPageSetup() = default;
    virtual double PageWidth() = 0;
    virtual double PageHeight() = 0;
    virtual void SetPageWidth(double points) = 0;
    virtual void SetPageHeight(double points) = 0;
};

class PublisherDocument {
  public:
    virtual ~PublisherDocument() = default;
    virtual std::wstring Name() = 0;
    // The folder and the name joined; the name alone for a document that was never saved.
    virtual std::wstring FullName() = 0;
    // The folder without the file name; empty for a document that was never saved.
    virtual std::wstring Path() = 0;
    virtual std::unique_ptr<PublisherPages> Pages() = 0;
    virtual std::unique_ptr<PublisherMasterPages> MasterPages() = 0;
    // The shapes of the scratch area (Document.ScratchArea.Shapes).
    virtual std::unique_ptr<PublisherShapes> ScratchShapes() = 0;
    virtual std::unique_ptr<PublisherPageSetup> PageSetup() = 0;
    virtual std::unique_ptr<PublisherSections> Sections() = 0;
    // One story for each unlinked text frame, each chain of linked frames and each table cell.
    virtual std::unique_ptr<PublisherStories> Stories() = 0;
    // The name of the publication's colour scheme (Document.ColorScheme.Name).
    virtual std::wstring ColorScheme() = 0;
    // Gives the publication the colour scheme of that name (Application.ColorSchemes(name));
    // raises when Publisher knows none of that name.
    virtual void SetColorScheme(const std::wstring& name) = 0;
    // True when the publication has not changed since it was last saved.
    virtual bool Saved() = 0;
    // Writes the publication as a publication to that full path, replacing a file, and keeps
    // it out of Publisher's recent-files list.
    virtual void SaveAs(const std::wstring& fileName) = 0;
    // Closes the publication of another instance, which lets go of its file, and leaves a
    // blank one in its place. A publication with unsaved changes makes Publisher ask first.
    virtual void Close() = 0;
};

class PublisherDocuments {
  public:
    virtual ~PublisherDocuments() = default;
    virtual int Count() = 0;
    // 1-based.
    virtual std::unique_ptr<PublisherDocument> Item(int index) = 0;
};

// The process of an instance this program created. It outlives every reference into the
// instance, so that the program can let go of the instance and then see it end.
class PublisherProcess {
  public:
    virtual ~PublisherProcess() = default;
    // Ends the process at once, whatever it is doing; the instance's calls fail from then on.
    virtual void End() = 0;
    // True once the process has ended, waiting up to `milliseconds` for it.
    virtual bool WaitUntilGone(int milliseconds) = 0;
    // Returns at once, and lets the process end by itself meanwhile; ends it when it has not
    // gone within `milliseconds`.
    virtual void EndUnlessGoneWithin(int milliseconds) = 0;
    // True when the instance is known gone: its process has ended (crashed, or ended at a
    // call's bound). Waits for nothing.
    virtual bool Gone() = 0;
};

// The process of the Publisher the user works in: watched, never ended.
class UserPublisherProcess {
  public:
    virtual ~UserPublisherProcess() = default;
    // True once it has ended, waiting up to `milliseconds` for that.
    virtual bool EndedWithin(int milliseconds) = 0;
    // Its exit code once it has ended (0 when it was closed as it should be).
    virtual std::optional<std::uint32_t> ExitCode() = 0;
    // Calls `ended` once the process has ended, on the thread that asked (through its message
    // loop), at most once, and never after this object has gone. No thread of the program's
    // waits for it meanwhile.
    virtual void WhenEnded(std::function<void()> ended) = 0;
};

// One Publisher instance, held while the program uses it and released when destroyed.
class PublisherApplication {
  public:
    virtual ~PublisherApplication() = default;
    virtual std::wstring Name() = 0;
    virtual std::unique_ptr<PublisherDocuments> Documents() = 0;
    virtual std::unique_ptr<PublisherDocument> ActiveDocument() = 0;
    // A new blank publication of one page, the active one from then on.
    virtual std::unique_ptr<PublisherDocument> NewDocument() = 0;
    // As Exit on the File menu: a publication with unsaved changes makes Publisher ask first.
    // The instance ends only once every reference into it has been released.
    virtual void Quit() = 0;
    // The process of an instance this program created; nothing for the user's own.
    virtual std::shared_ptr<PublisherProcess> Process() = 0;
    // The process of the user's own Publisher, when this is it and its process can be found.
    virtual std::shared_ptr<UserPublisherProcess> UserProcess() = 0;
};

// While it lives, a call Publisher answers busy fails at once, instead of being tried again
// for up to 30 seconds.
class PublisherImpatience {
  public:
    virtual ~PublisherImpatience() = default;
};

class PublisherAutomation {
  public:
    virtual ~PublisherAutomation() = default;
    // True when "Publisher.Application" is registered with a local server whose program
    // exists. Starts nothing and never raises.
    virtual bool IsInstalled() = 0;
    // The instance the user works in; raises when none runs.
    virtual std::unique_ptr<PublisherApplication> AttachRunning() = 0;
    // Creates a fresh instance of "Publisher.Application", whose active document is usually a
    // blank publication with one page; raises when it cannot be created. Neither the creation
    // nor any call into the instance waits for ever: one that runs past its bound ends the
    // instance (only a process started for this creation) and fails.
    virtual std::unique_ptr<PublisherApplication> CreateInstance() = 0;
    // Calls made while the result lives do not wait out a busy Publisher.
    virtual std::unique_ptr<PublisherImpatience> Impatient() = 0;
};

}  // namespace kelbrook
