// The clipboard: ShapeRange.Copy and Shapes.Paste, in the shapes format and as text, and
// TextRange.Copy and TextRange.Paste, as text.
#include "Server.h"

#include "Owners.h"
#include "StandinPublication.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>

namespace standin {

namespace {

// The clipboard may be held by another process for a moment: try for about a second.
bool OpenClipboardPatiently(std::unique_ptr<ClipboardSession>& session) {
    for (int attempt = 0; attempt < 40; ++attempt) {
        session = std::make_unique<ClipboardSession>(State().owner);
        if (session->open()) return true;
        session.reset();
        Sleep(25);
    }
    return false;
}

// The clipboard opened, emptied first for writing; Fail()s when it cannot be.
std::unique_ptr<ClipboardSession> OpenClipboardOrFail(bool forWriting) {
    std::unique_ptr<ClipboardSession> session;
    if (!OpenClipboardPatiently(session)) {
        Fail(L"Cannot open the clipboard (another program may hold it): " +
             SystemMessage(GetLastError()));
    }
    if (forWriting && !EmptyClipboard()) {
        Fail(L"Cannot empty the clipboard: " + SystemMessage(GetLastError()));
    }
    return session;
}

UINT ShapesFormat() {
    static const UINT format = RegisterClipboardFormatW(kShapesFormatName);
    return format;
}

UniqueGlobal GlobalCopy(const void* data, size_t bytes) {
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) Fail(L"Out of memory for the clipboard: " + SystemMessage(GetLastError()));
    LockedGlobal lock(memory.get());
    if (!lock.data()) Fail(L"Cannot lock clipboard memory: " + SystemMessage(GetLastError()));
    memcpy(lock.data(), data, bytes);
    return memory;
}

}  // namespace

void CopyShapesToClipboard(const std::vector<Shape>& shapes) {
    // The shapes format: a one-page publication file in UTF-8, ending in a NUL.
    Publication publication;
    publication.pages.push_back(Page{shapes});
    std::string payload;
    try {
        payload = SerializePublication(publication);
    } catch (const std::invalid_argument& error) {
        Fail(L"Cannot copy the shapes: " + Widen(error.what()));
    }
    std::wstring text;
    for (const Shape& shape : shapes) {
        if (!text.empty()) text += L"\r\n";
        text += shape.text;
    }
    UniqueGlobal shapesMemory = GlobalCopy(payload.c_str(), payload.size() + 1);
    UniqueGlobal textMemory = GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(wchar_t));

    const std::unique_ptr<ClipboardSession> clipboard = OpenClipboardOrFail(true);
    if (!SetClipboardData(ShapesFormat(), shapesMemory.get())) {
        Fail(L"Cannot put the shapes on the clipboard: " + SystemMessage(GetLastError()));
    }
    shapesMemory.release();  // the system's now
    if (!SetClipboardData(CF_UNICODETEXT, textMemory.get())) {
        Fail(L"Cannot put the shapes' text on the clipboard: " + SystemMessage(GetLastError()));
    }
    textMemory.release();
}

std::vector<Shape> ShapesFromClipboard() {
    const std::unique_ptr<ClipboardSession> clipboard = OpenClipboardOrFail(false);
    const HANDLE data = GetClipboardData(ShapesFormat());
    if (!data) {
        Fail(L"The clipboard holds no shapes (no \"" + std::wstring(kShapesFormatName) +
             L"\" data)");
    }
    std::string payload;
    {
        LockedGlobal lock(data);
        if (!lock.data()) Fail(L"Cannot read the clipboard: " + SystemMessage(GetLastError()));
        const char* bytes = static_cast<const char*>(lock.data());
        payload.assign(bytes, strnlen(bytes, GlobalSize(data)));
    }
    try {
        std::vector<Shape> shapes;
        for (Page& page : ParsePublication(payload).pages) {
            for (Shape& shape : page.shapes) shapes.push_back(std::move(shape));
        }
        return shapes;
    } catch (const FormatError& error) {
        Fail(L"The clipboard's shapes are damaged: " + Widen(error.what()));
    }
}

void CopyTextToClipboard(std::wstring_view text) {
    const std::wstring terminated(text);
    UniqueGlobal memory = GlobalCopy(terminated.c_str(), (terminated.size() + 1) * sizeof(wchar_t));
    const std::unique_ptr<ClipboardSession> clipboard = OpenClipboardOrFail(true);
    if (!SetClipboardData(CF_UNICODETEXT, memory.get())) {
        Fail(L"Cannot put the text on the clipboard: " + SystemMessage(GetLastError()));
    }
    memory.release();  // the system's now
}

std::optional<std::wstring> TextFromClipboard() {
    const std::unique_ptr<ClipboardSession> clipboard = OpenClipboardOrFail(false);
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return std::nullopt;
    LockedGlobal lock(data);
    if (!lock.data()) Fail(L"Cannot read the clipboard: " + SystemMessage(GetLastError()));
    const auto* text = static_cast<const wchar_t*>(lock.data());
    return std::wstring(text, wcsnlen(text, GlobalSize(data) / sizeof(wchar_t)));
}

}  // namespace standin
