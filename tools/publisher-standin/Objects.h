// The object model: Application, Documents, Document, Pages, Page, Shapes and ShapeRange.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace standin {

// A new Application object with one reference, the caller's.
IDispatch* NewApplication();

}  // namespace standin
