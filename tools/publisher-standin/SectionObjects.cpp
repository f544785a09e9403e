// The publication's sections and their page numbering: Sections and Section.
#include "ObjectParts.h"

#include "Dispatch.h"
#include "Server.h"
#include "StandinPublication.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace standin {
namespace {

using SectionPtr = std::shared_ptr<Section>;

// ---- Section ------------------------------------------------------------------------------

constexpr Member kSectionMembers[] = {
    {1, L"PageNumberStart"}, {2, L"PageNumberFormat"}, {3, L"ContinueNumbersFromPreviousSection"},
    {4, L"StartPageIndex"},  {5, L"Delete"},
};

class SectionObject : public DispatchObject {
  public:
    SectionObject(DocumentPtr document, SectionPtr section)
        : DispatchObject(L"Section", kSectionMembers),
          document_(std::move(document)),
          section_(std::move(section)) {}

  protected:
    void Call(DISPID id, const Arguments&, VARIANT* result) override {
        const size_t place = Place();
        switch (id) {
            case 1:
                // "The page number that the specified section starts with": a continuing
                // section's follows the section before.
                return ReturnLong(result, StartNumberOf(SectionValues(*document_), place));
            case 2:
                return ReturnLong(result, static_cast<long>(section_->format));
            case 3:
                return ReturnBool(result, section_->continues);
            case 4:
                return ReturnLong(result, static_cast<long>(section_->startPage));
            default:
                // "A "Permission denied" error is returned if an attempt is made to delete the
                // first section."
                if (place == 0) Fail(L"Permission denied");
                document_->sections.erase(document_->sections.begin() +
                                          static_cast<std::ptrdiff_t>(place));
                document_->saved = false;
                return;
        }
    }
    void Put(DISPID id, const VARIANT& value) override {
        if (id != 1 && id != 2 && id != 3) DispatchObject::Put(id, value);  // read-only
        const size_t place = Place();
        if (id == 3) {
            const bool continues = BoolOf(value);
            // The first section has no section before it to continue (*).
            if (continues && place == 0) Fail(L"Permission denied");
            section_->continues = continues;
        } else {
            const double number = NumberOf(value);
            if (number != static_cast<long>(number)) Fail(L"The value is not a whole number");
            const long whole = static_cast<long>(number);
            if (id == 1) {
                if (whole < 1 || whole > kLargestPageNumberStart) {
                    Fail(L"The value is out of range: a section starts at 1 to 9999, not " +
                         std::to_wstring(whole));
                }
                // A section given its first number no longer continues the one before (*).
                section_->firstNumber = static_cast<int>(whole);
                section_->continues = false;
            } else {
                // "Not all of the PbPageNumberFormat constants are available": here arabic,
                // roman and letters, upper and lower case, are.
                if (!IsPageNumberFormat(whole)) {
                    Fail(L"The page number format " + std::to_wstring(whole) +
                         L" is not available (0 to 4 are)");
                }
                section_->format = static_cast<PageNumberFormat>(whole);
            }
        }
        document_->saved = false;
    }

  private:
    size_t Place() const {
        const auto& sections = document_->sections;
        const auto found = std::find(sections.begin(), sections.end(), section_);
        if (found == sections.end()) Fail(L"The section is no longer in its publication");
        return static_cast<size_t>(found - sections.begin());
    }
    DocumentPtr document_;
    SectionPtr section_;
};

// ---- Sections -----------------------------------------------------------------------------

constexpr Member kSectionsMembers[] = {
    {DISPID_VALUE, L"Item", {L"Index"}},
    {1, L"Count"},
    {2, L"Add", {L"StartPageIndex"}},
};

class Sections : public DispatchObject {
  public:
    explicit Sections(DocumentPtr document)
        : DispatchObject(L"Sections", kSectionsMembers), document_(std::move(document)) {}

  protected:
    void Call(DISPID id, const Arguments& arguments, VARIANT* result) override {
        auto& sections = document_->sections;
        switch (id) {
            case DISPID_VALUE: {
                const long index = arguments.Long(0);
                if (index < 1 || static_cast<size_t>(index) > sections.size()) {
                    Fail(OutOfRange(index, sections.size()));
                }
                return ReturnObject(result, new SectionObject(document_, sections[index - 1]));
            }
            case 1:
                return ReturnLong(result, static_cast<long>(sections.size()));
            default:
                return ReturnObject(result, new SectionObject(document_, Add(arguments.Long(0))));
        }
    }

  private:
    // A new section from this page on: it continues the numbers of the section before, as the
    // reference's examples have it, in arabic (*).
    SectionPtr Add(long start) {
        auto& sections = document_->sections;
        const size_t pages = document_->pages.size();
        if (start < 1 || static_cast<size_t>(start) > pages) {
            Fail(L"StartPageIndex " + std::to_wstring(start) + L" is not between 1 and " +
                 std::to_wstring(pages));
        }
        const auto at = std::find_if(sections.begin(), sections.end(), [&](const SectionPtr& s) {
            return s->startPage >= static_cast<size_t>(start);
        });
        // "A "Permission denied" error is returned if the page already contains a section
        // head."
        if (at != sections.end() && (*at)->startPage == static_cast<size_t>(start)) {
            Fail(L"Permission denied");
        }
        auto added = std::make_shared<Section>(
            Section{static_cast<size_t>(start), 1, PageNumberFormat::Arabic, true});
        sections.insert(at, added);
        document_->saved = false;
        return added;
    }
    DocumentPtr document_;
};

}  // namespace

IDispatch* NewSections(DocumentPtr document) {
    return new Sections(std::move(document));
}

}  // namespace standin
