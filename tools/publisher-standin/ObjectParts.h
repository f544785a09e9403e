// The object model's parts, as the files that make them hand them to each other.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "Server.h"

#include <memory>
#include <optional>
#include <string>

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

}  // namespace standin
