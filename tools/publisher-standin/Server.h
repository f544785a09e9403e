// The stand-in's process-wide state and the services its objects use: documents, files,
// clipboard, the registry's fault and journal settings, and the instance's lifetime.
#pragma once

#include <windows.h>

#include "Owners.h"
#include "StandinPublication.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// {6D1C3A52-8E4B-4F0A-9C27-51B7E2A94D13}: the stand-in's own class, not Publisher's.
inline constexpr CLSID kStandinClsid = {
    0x6d1c3a52, 0x8e4b, 0x4f0a, {0x9c, 0x27, 0x51, 0xb7, 0xe2, 0xa9, 0x4d, 0x13}};
inline constexpr wchar_t kStandinClsidText[] = L"{6D1C3A52-8E4B-4F0A-9C27-51B7E2A94D13}";
inline constexpr wchar_t kProgId[] = L"Publisher.Application";
inline constexpr wchar_t kShapesFormatName[] = L"Publisher stand-in shapes";

// A call that fails: Invoke answers hr (DISP_E_EXCEPTION carries the description).
struct CallFailure {
    HRESULT hr;
    std::wstring description;
    UINT argument = 0;  // for DISP_E_TYPEMISMATCH and DISP_E_PARAMNOTFOUND
};
[[noreturn]] void Fail(std::wstring description);

// A new page's PageID: a Long that no other page of the process has had, neither counted from
// 1 nor contiguous, as Publisher's "random numbers assigned to pages when they are added".
long NextPageId();

struct PageState {
    std::vector<Shape> shapes;
    int master = 1;  // the page's master page, 1-based; 0 on a master page (either half)
    // A two-page master's right half (this page is its left half); null otherwise.
    std::shared_ptr<PageState> right = nullptr;
    long id = NextPageId();  // stable from the page's creation or its file's opening
    bool ignoreMaster = false;
    Fill background = {};  // Kind::None: no background
};

struct DocumentState {
    std::wstring name;
    std::wstring path;  // empty when never saved
    std::vector<std::shared_ptr<PageState>> pages;
    std::vector<std::shared_ptr<PageState>> masters{std::make_shared<PageState>(PageState{{}, 0})};
    std::shared_ptr<PageState> scratch = std::make_shared<PageState>(PageState{{}, 0});
    bool saved = true;                 // no change since it was opened, created or last saved
    double width = 612, height = 792;  // the page size, in points
    std::wstring colorScheme = kDefaultColorScheme;
    // The sections in page order; a Section object holds its own, which its Delete removes.
    std::vector<std::shared_ptr<Section>> sections{std::make_shared<Section>()};
    // The texts of the stories that flow through linked frames (Publication::stories).
    std::vector<std::wstring> stories;
};

enum class Mode { Running, Copy };

struct ServerState {
    Mode mode = Mode::Copy;
    std::vector<std::shared_ptr<DocumentState>> documents;
    std::shared_ptr<DocumentState> active;
    HWND owner = nullptr;         // hidden: the clipboard's owner and the timers' target
    HWND documentList = nullptr;  // the running instance's list box
    HWND mainWindow = nullptr;    // the running instance's window
    ULONGLONG startTick = 0;
    long objects = 0;  // live COM objects of ours (copy instances end at zero)
    bool everServed = false;
    // Started without a publication (start = bare): no active window either until one is made.
    bool bare = false;
    bool quitting = false;
    // Quit was answered: the instance ends about a second after its last object is released.
    std::optional<ULONGLONG> quitAnsweredTick;
    // Saved files (full path), held open with read sharing only until the process ends, and
    // the files the running instance opened, held as Publisher holds an open publication.
    std::vector<std::pair<std::wstring, UniqueHandle>> heldFiles;
};
ServerState& State();

// Documents.
std::shared_ptr<DocumentState> BlankDocument(std::wstring name, bool saved);
// Document.Close: the publication's saved file is let go and a blank publication takes its
// place (and its place as the active one).
std::shared_ptr<DocumentState> CloseDocument(const std::shared_ptr<DocumentState>& document);
std::shared_ptr<DocumentState> OpenDocument(std::wstring_view fileName);  // Fail()s
// A publication as a document of new pages (name and path left empty), and back.
std::shared_ptr<DocumentState> DocumentFrom(Publication publication);
Publication PublicationOf(const DocumentState& document);
std::vector<Section> SectionValues(const DocumentState& document);  // in page order
// The frames a story can flow through, in the model's LinkableFrames order: the pages' shapes,
// page by page, then the scratch area's. Valid until a shape is added.
std::vector<Shape*> LinkableFrames(DocumentState& document);
// Writes the publication and holds the file open until the process ends. Fail()s.
void SaveDocumentAs(DocumentState& document, std::wstring_view fileName);
// Appends a path to the recent-files list (HKCU\Software\PublisherStandin\Recent, values
// "1", "2", ...).
void AddToRecentFiles(std::wstring_view fullName);
std::wstring FullPath(std::wstring_view fileName);
void AddDocument(std::shared_ptr<DocumentState> document);
void DocumentsChanged();  // refreshes the running instance's list

// The clipboard: Copy replaces its contents, Paste reads the shapes format. Both Fail().
void CopyShapesToClipboard(const std::vector<Shape>& shapes);
std::vector<Shape> ShapesFromClipboard();
// Text as CF_UNICODETEXT, replacing the clipboard's contents; Fail()s. The clipboard's text,
// nullopt when it holds none; Fail()s when it cannot be opened or read.
void CopyTextToClipboard(std::wstring_view text);
std::optional<std::wstring> TextFromClipboard();

// The live copy instances, in the order they started, as every instance can see them:
// HKCU\Software\PublisherStandin\Copies, one value per copy process (its id), holding its
// start order and the name of its publication. A copy enters itself when it starts.
struct LiveCopy {
    DWORD processId = 0;
    std::wstring publication;
};
void EnterLiveCopy(std::wstring_view publication);
void LeaveLiveCopy();
std::vector<LiveCopy> LiveCopies();  // without those whose process has ended

// Never returns: the instance waits in a modal loop that shows nothing, as Publisher does
// behind a question nobody can see, until its process is ended.
[[noreturn]] void WaitForever();

// Registry settings under HKCU\Software\PublisherStandin, read afresh at every call.
std::optional<std::wstring> FaultFor(std::wstring_view object, std::wstring_view member);
bool BusyNow();
// The copy instance's start switch: the value `start` ("hang": it never registers its class
// object; "empty": it starts without a publication; "bare": without a publication or an active
// window), lower-cased; empty when unset.
std::wstring StartSwitch();
void Journal(std::wstring_view object, std::wstring_view member, std::wstring_view call);
// Applies the fault for <object>.<member>, if any: "crash" ends the process, "fail" throws,
// "hang" never returns.
void ApplyFault(std::wstring_view object, std::wstring_view member);

// Lifetime.
void ObjectCreated();
void ObjectDestroyed();
// Application.Quit answered: a copy ends about a second after its last object is released
// (at once counted from now when none is held).
void QuitAnswered();
// The journal's last line of a copy that ends by itself: "Application ended <ms>", the time
// since Quit was answered ("-" when it never was).
void JournalEnd();
// Ends the message loop after `delay` ms, so that the current call's reply is sent first.
void RequestQuit(UINT delay = 100);

// Text.
std::wstring SystemMessage(DWORD error);
std::wstring Widen(std::string_view utf8);  // lenient: for messages
void ReportError(std::wstring_view text);   // stderr and the debugger

}  // namespace standin
