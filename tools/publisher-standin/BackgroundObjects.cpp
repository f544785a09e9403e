// A page's background: PageBackground, its FillFormat and the fill's ColorFormat. Each reads
// the page's background afresh at every call.
#include "ObjectParts.h"

#include "Dispatch.h"
#include "Server.h"
#include "StandinPublication.h"

#include <utility>

namespace standin {
namespace {

constexpr long kFillSolid = 1;    // MsoFillType msoFillSolid
constexpr long kFillPicture = 6;  // msoFillPicture
constexpr long kColorRgb = 1;     // PbColorType pbColorTypeRGB
constexpr long kColorScheme = 2;  // pbColorTypeScheme

// The page's background, which must exist.
Fill& ExistingBackground(PageState& page) {
    if (page.background.kind == Fill::Kind::None) Fail(L"The page has no background");
    return page.background;
}

// ---- ColorFormat: the foreground colour of a solid background ----------------------------

constexpr Member kColorFormatMembers[] = {
    {1, L"RGB"},
    {2, L"SchemeColor"},
    {3, L"Type"},
};

class ColorFormat : public DispatchObject {
  public:
    ColorFormat(DocumentPtr document, PagePtr page)
        : DispatchObject(L"ColorFormat", kColorFormatMembers),
          document_(std::move(document)),
          page_(std::move(page)) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        const Fill& fill = SolidFill();
        switch (id) {
            case 1:
                // The stand-in knows no scheme's colours: a scheme colour has no RGB value (*).
                if (fill.kind != Fill::Kind::Rgb) Fail(L"The colour is a scheme colour");
                return ReturnLong(result, ComRgb(fill.rgb));
            case 2:
                // An RGB colour is no colour of the scheme (*).
                if (fill.kind != Fill::Kind::Scheme) Fail(L"The colour is not a scheme colour");
                return ReturnLong(result, fill.scheme);
            default:
                return ReturnLong(result, fill.kind == Fill::Kind::Rgb ? kColorRgb : kColorScheme);
        }
    }
    void Put(DISPID id, const VARIANT& value) override {
        if (id == 3) DispatchObject::Put(id, value);  // Type is read-only
        const double number = NumberOf(value);
        SolidFill();
        if (id == 1) {
            if (number < 0 || number > 0xFFFFFF || number != static_cast<long>(number)) {
                Fail(L"The value is out of range: an RGB value is 0 to 16777215");
            }
            page_->background = Fill::Rgb(ModelRgb(static_cast<long>(number)));
        } else {
            if (!IsSchemeColor(static_cast<long>(number)) || number != static_cast<long>(number)) {
                Fail(L"The value is out of range: a scheme colour is 1 to 8");
            }
            page_->background = Fill::Scheme(static_cast<int>(number));
        }
        document_->saved = false;
    }

  private:
    // "A picture fill has no foreground colour" (*): only a solid fill's colour is read.
    const Fill& SolidFill() const {
        const Fill& fill = ExistingBackground(*page_);
        if (fill.kind == Fill::Kind::Picture) Fail(L"A picture fill has no foreground colour");
        return fill;
    }
    DocumentPtr document_;
    PagePtr page_;
};

// ---- FillFormat ---------------------------------------------------------------------------

constexpr Member kFillFormatMembers[] = {
    {1, L"Type"},
    {2, L"ForeColor"},
    {3, L"UserPicture", {L"PictureFile"}},
};

class FillFormat : public DispatchObject {
  public:
    FillFormat(DocumentPtr document, PagePtr page)
        : DispatchObject(L"FillFormat", kFillFormatMembers),
          document_(std::move(document)),
          page_(std::move(page)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        const Fill& fill = ExistingBackground(*page_);
        switch (id) {
            case 1:
                return ReturnLong(result,
                                  fill.kind == Fill::Kind::Picture ? kFillPicture : kFillSolid);
            case 2:
                if (fill.kind == Fill::Kind::Picture) {
                    Fail(L"A picture fill has no foreground colour");
                }
                return ReturnObject(result, new ColorFormat(document_, page_));
            default:
                arguments.String(0);  // a missing PictureFile fails as such first
                Fail(L"This stand-in cannot load pictures");
        }
    }

  private:
    DocumentPtr document_;
    PagePtr page_;
};

// ---- PageBackground -----------------------------------------------------------------------

constexpr Member kPageBackgroundMembers[] = {
    {1, L"Exists"},
    {2, L"Create"},
    {3, L"Delete"},
    {4, L"Fill"},
};

// A new background is solid white (*).
constexpr unsigned kNewBackground = 0xFFFFFF;

class PageBackground : public DispatchObject {
  public:
    PageBackground(DocumentPtr document, PagePtr page)
        : DispatchObject(L"PageBackground", kPageBackgroundMembers),
          document_(std::move(document)),
          page_(std::move(page)) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        switch (id) {
            case 1:
                return ReturnBool(result, page_->background.kind != Fill::Kind::None);
            case 2:
                return Create();
            case 3:
                return Delete();
            default:
                // No background, no fill (*).
                ExistingBackground(*page_);
                return ReturnObject(result, new FillFormat(document_, page_));
        }
    }
    // Exists is read/write: True creates the background, False deletes it, each failing as
    // Create and Delete do (*).
    void Put(DISPID id, const VARIANT& value) override {
        if (id != 1) DispatchObject::Put(id, value);
        return BoolOf(value) ? Create() : Delete();
    }

  private:
    // "Returns a "Permission denied" error if a background already exists."
    void Create() {
        if (page_->background.kind != Fill::Kind::None) Fail(L"Permission denied");
        page_->background = Fill::Rgb(kNewBackground);
        document_->saved = false;
    }
    // "A run-time error occurs if the specified object does not exist."
    void Delete() {
        ExistingBackground(*page_);
        page_->background = Fill{};
        document_->saved = false;
    }
    DocumentPtr document_;
    PagePtr page_;
};

}  // namespace

IDispatch* NewPageBackground(DocumentPtr document, PagePtr page) {
    return new PageBackground(std::move(document), std::move(page));
}

}  // namespace standin
