#include "Objects.h"

#include "Dispatch.h"
#include "ObjectParts.h"
#include "Owners.h"
#include "Server.h"
#include "StandinPublication.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace standin {

std::wstring OutOfRange(long index, size_t count) {
    return L"index " + std::to_wstring(index) + L" is out of range (there " +
           (count == 1 ? L"is 1 item" : L"are " + std::to_wstring(count) + L" items") + L")";
}

namespace {

// ---- PageSetup ----------------------------------------------------------------------------

constexpr Member kPageSetupMembers[] = {
    {1, L"PageWidth"},
    {2, L"PageHeight"},
};

// "16560", "300.5".
std::wstring Points(double value) {
    wchar_t text[32];
    swprintf(text, 32, L"%.10g", value);
    return text;
}

class PageSetup : public DispatchObject {
  public:
    explicit PageSetup(DocumentPtr document)
        : DispatchObject(L"PageSetup", kPageSetupMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        ReturnDouble(result, id == 1 ? document_->width : document_->height);
    }
    void Put(DISPID id, const VARIANT& value) override {
        const double points = NumberOf(value);
        // "The valid range of possible values is from zero to the difference between the sheet
        // width and the page width": the page's width as it is before the write.
        const double current = id == 1 ? document_->width : document_->height;
        const double sheet = id == 1 ? kSheetWidth : kSheetHeight;
        if (!FitsSheet(points, current, sheet)) {
            Fail(L"The value is out of range: from 0 to " + Points(sheet - current) +
                 L" points (the sheet's " + Points(sheet) + L" less the page's " + Points(current) +
                 L"), not " + Points(points));
        }
        (id == 1 ? document_->width : document_->height) = points;
        document_->saved = false;
    }

  private:
    DocumentPtr document_;
};

// ---- Document -----------------------------------------------------------------------------

constexpr Member kDocumentMembers[] = {
    {1, L"Name"},
    {2, L"Path"},
    {3, L"FullName"},
    {4, L"Pages"},
    {5, L"SaveAs", {L"Filename", L"Format", L"AddToRecentFiles"}},
    {6, L"Saved"},
    {7, L"PageSetup"},
    {8, L"Close"},
    {9, L"MasterPages"},
    {10, L"ScratchArea"},
    {11, L"Sections"},
    {12, L"ColorScheme"},
    {13, L"Application"},
    {14, L"Stories"},
};

constexpr long kFilePublication = 1;  // PbFileFormat pbFilePublication, SaveAs's default

class Document : public DispatchObject {
  public:
    explicit Document(DocumentPtr document)
        : DispatchObject(L"Document", kDocumentMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnString(result, document_->name);
            case 2:
                return ReturnString(result, document_->path);
            case 3:
                return ReturnString(result,
                                    FullNameOf(Publication{document_->name, document_->path, {}}));
            case 4:
                return ReturnObject(result, NewPages(document_));
            case 6:
                return ReturnBool(result, document_->saved);
            case 7:
                return ReturnObject(result, new PageSetup(document_));
            case 9:
                return ReturnObject(result, NewMasterPages(document_));
            case 10:
                return ReturnObject(result, NewScratchArea(document_));
            case 11:
                return ReturnObject(result, NewSections(document_));
            case 12:
                return ReturnObject(result, NewColorScheme(document_->colorScheme));
            case 13:  // every object's Application: the instance it belongs to
                return ReturnObject(result, NewApplication());
            case 14:
                return ReturnObject(result, NewStories(document_));
            case 8:
                if (!document_->saved) {
                    // "Do you want to save the changes?", in an instance nobody sees (*).
                    Journal(L"Document", L"Close", L"prompted");
                    WaitForever();
                }
                document_ = CloseDocument(document_);
                return;
            default: {
                const long format = arguments.OptionalLong(1).value_or(kFilePublication);
                if (format != kFilePublication) {
                    Fail(L"this stand-in saves publications only (Format " +
                         std::to_wstring(kFilePublication) + L"), not Format " +
                         std::to_wstring(format));
                }
                const std::wstring full = FullPath(arguments.String(0));
                SaveDocumentAs(*document_, full);
                if (arguments.OptionalBool(2).value_or(true)) AddToRecentFiles(full);
                return;
            }
        }
    }

    // ColorScheme, written with a ColorScheme of Application.ColorSchemes, as a property put or
    // put by reference.
    void Put(DISPID id, const VARIANT& value) override {
        if (id != 12) DispatchObject::Put(id, value);
        const std::optional<std::wstring> name = ColorSchemeNameOf(value);
        if (!name) Fail(L"The value is not a ColorScheme of Application.ColorSchemes");
        document_->colorScheme = *name;
        document_->saved = false;
    }

  private:
    DocumentPtr document_;
};

// ---- Documents ----------------------------------------------------------------------------

constexpr Member kDocumentsMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
};

// Every publication open in Publisher, across its instances: the running instance lists its
// own, then the publication of each live copy instance (in the order the copies started, or
// first with the switch running:Documents.Order = copies-first). A copy's publication is
// handed out as a small Document of its own: its name, never saved, one empty page.
std::vector<DocumentPtr> AllDocuments() {
    std::vector<DocumentPtr> documents = State().documents;
    if (State().mode != Mode::Running) return documents;
    std::vector<DocumentPtr> copies;
    for (const LiveCopy& copy : LiveCopies()) {
        copies.push_back(BlankDocument(copy.publication, false));
    }
    const std::optional<std::wstring> order = FaultFor(L"Documents", L"Order");
    const bool copiesFirst =
        order && CompareStringOrdinal(order->c_str(), -1, L"copies-first", -1, TRUE) == CSTR_EQUAL;
    documents.insert(copiesFirst ? documents.begin() : documents.end(), copies.begin(),
                     copies.end());
    return documents;
}

class Documents : public DispatchObject {
  public:
    Documents() : DispatchObject(L"Documents", kDocumentsMembers) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const std::vector<DocumentPtr> documents = AllDocuments();
        if (id == 1) return ReturnLong(result, static_cast<long>(documents.size()));
        const long index = arguments.Long(0);
        if (index < 1 || static_cast<size_t>(index) > documents.size()) {
            Fail(OutOfRange(index, documents.size()));
        }
        ReturnObject(result, new Document(documents[index - 1]));
    }
};

// ---- Window -------------------------------------------------------------------------------

constexpr Member kWindowMembers[] = {
    {1, L"Hwnd"},
};

class Window : public DispatchObject {
  public:
    Window() : DispatchObject(L"Window", kWindowMembers) {}

  protected:
    void Call(DISPID, const Arguments&, VARIANT* result) override {
        // The instance's window, as Publisher gives it: a Long.
        const HWND window = State().mainWindow ? State().mainWindow : State().owner;
        ReturnLong(result, static_cast<long>(reinterpret_cast<INT_PTR>(window)));
    }
};

// ---- Application --------------------------------------------------------------------------

constexpr Member kApplicationMembers[] = {
    {1, L"Name"},
    {2, L"Documents"},
    {3, L"ActiveDocument"},
    {4, L"Open", {L"Filename"}},
    {5, L"Quit"},
    {6, L"ActiveWindow"},
    {7, L"NewDocument", {L"Wizard", L"Design"}},
    {8, L"ColorSchemes"},
};

class Application : public DispatchObject {
  public:
    Application() : DispatchObject(L"Application", kApplicationMembers) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnString(result, L"Microsoft Publisher");
            case 2:
                return ReturnObject(result, new Documents());
            case 3:
                // "If there are no documents open, an error occurs."
                if (!State().active) Fail(L"There are no documents open");
                return ReturnObject(result, new Document(State().active));
            case 7: {
                // pbWizardNone only: a blank publication of one page.
                if (arguments.OptionalLong(0).value_or(0) != 0) {
                    Fail(L"this stand-in makes blank publications only (no Wizard)");
                }
                DocumentPtr document = BlankDocument(L"Publication1", true);
                AddDocument(document);
                if (State().mode == Mode::Copy) EnterLiveCopy(document->name);
                return ReturnObject(result, new Document(document));
            }
            case 4: {
                DocumentPtr document = OpenDocument(arguments.String(0));
                AddDocument(document);
                return ReturnObject(result, new Document(document));
            }
            case 8:
                return ReturnObject(result, NewColorSchemes());
            case 6:
                // A fresh instance started bare has no window to give until it has a
                // publication (*).
                if (State().bare && !State().active) Fail(L"There is no active window");
                return ReturnObject(result, new Window());
            default:
                if (State().mode == Mode::Copy && State().active && !State().active->saved) {
                    // "Do you want to save the changes to Publication1?", in an instance
                    // nobody sees: the call never returns.
                    Journal(L"Application", L"Quit", L"prompted");
                    WaitForever();
                }
                QuitAnswered();
                return;
        }
    }
};

}  // namespace

IDispatch* NewApplication() {
    return new Application();
}

}  // namespace standin