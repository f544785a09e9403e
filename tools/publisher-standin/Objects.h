// The object model: Application, Documents, Document, PageSetup and Window here; the pages in
// PageObjects.cpp, the shapes and the scratch area in ShapeObjects.cpp.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace standin {

// A new Application object with one reference, the caller's.
IDispatch* NewApplication();

}  // namespace standin
