// Publisher's objects below a document, reached through IDispatch behind their ports: pages
// and master pages, their shapes, backgrounds and sections, the page setup.
#pragma once

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "backup/PublisherAutomation.h"
#include "core/win32/Dispatch.h"

namespace kelbrook::win32 {

// One object of Publisher's, reached through IDispatch, behind the port of its kind.
template <class Port>
class ComObject : public Port {
  public:
    explicit ComObject(DispatchObject object) : object_(std::move(object)) {}

  protected:
    // The object a member gives for whole-number arguments (an index, a count).
    DispatchObject With(const wchar_t* member, const wchar_t* kind,
                        std::initializer_list<int> integers) {
        std::vector<Variant> arguments;
        for (const int value : integers) arguments.push_back(IntegerArgument(value));
        return object_.Object(member, kind, std::move(arguments));
    }

    DispatchObject object_;
};

std::unique_ptr<PublisherShapes> MakeShapes(DispatchObject shapes);
std::unique_ptr<PublisherPages> MakePages(DispatchObject pages);
std::unique_ptr<PublisherMasterPages> MakeMasterPages(DispatchObject masterPages);
std::unique_ptr<PublisherPageSetup> MakePageSetup(DispatchObject pageSetup);
std::unique_ptr<PublisherSections> MakeSections(DispatchObject sections);
std::unique_ptr<PublisherStories> MakeStories(DispatchObject stories);
std::unique_ptr<PublisherShape> MakeShape(DispatchObject shape);

}  // namespace kelbrook::win32
