#include "core/win32/Win32Clipboard.h"

#include <cstring>
#include <vector>

#include "core/Failure.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

using UniqueBitmap = UniqueResource<HGDIOBJ, &::DeleteObject>;
using UniqueEnhMetaFile = UniqueResource<HENHMETAFILE, &::DeleteEnhMetaFile>;

// One format as it was: memory for the formats that live in global memory, a copy of the
// bitmap or enhanced metafile for those two.
struct Held {
    UINT format = 0;
    std::vector<char> bytes;
    UniqueBitmap bitmap;
    UniqueEnhMetaFile metafile;
};

class Win32ClipboardSnapshot : public ClipboardSnapshot {
  public:
    Win32ClipboardSnapshot(HWND owner, std::vector<Held> held)
        : owner_(owner), held_(std::move(held)) {}

    void Restore() override {
        ClipboardOpening open(owner_);
        if (!::EmptyClipboard()) ThrowLastError(L"Cannot empty the clipboard");
        for (Held& item : held_) {
            if (item.bitmap) {
                if (::SetClipboardData(item.format, item.bitmap.get())) item.bitmap.release();
            } else if (item.metafile) {
                if (::SetClipboardData(item.format, item.metafile.get())) item.metafile.release();
            } else {
                UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, item.bytes.size()));
                if (!memory) throw Failure(L"Out of memory");
                {
                    LockedGlobal target(memory.get());
                    if (target.data() == nullptr) throw Failure(L"Out of memory");
                    if (!item.bytes.empty()) {
                        std::memcpy(target.data(), item.bytes.data(), item.bytes.size());
                    }
                }
                // The system owns the memory once it holds it.
                if (::SetClipboardData(item.format, memory.get())) memory.release();
            }
        }
    }

  private:
    HWND owner_;
    std::vector<Held> held_;
};

bool IsGdiHandleFormat(UINT format) {
    return format == CF_BITMAP || format == CF_DSPBITMAP || format == CF_PALETTE ||
           format == CF_METAFILEPICT || format == CF_DSPMETAFILEPICT || format == CF_ENHMETAFILE ||
           format == CF_DSPENHMETAFILE || format == CF_OWNERDISPLAY ||
           (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST) ||
           (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST);
}

}  // namespace

ClipboardOpening::ClipboardOpening(HWND owner) {
    if (owner != nullptr && !::IsWindow(owner)) owner = nullptr;
    constexpr DWORD kPause = 25;
    for (DWORD waited = 0; !::OpenClipboard(owner); waited += kPause) {
        if (waited >= kClipboardPatienceMs) {
            ThrowLastError(L"Cannot open the clipboard (another program may hold it)");
        }
        WaitAnswering(nullptr, kPause);
    }
}

bool Win32Clipboard::WaitUntilFree() {
    try {
        ClipboardOpening open(owner_);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

std::unique_ptr<ClipboardSnapshot> Win32Clipboard::TakeSnapshot() {
    std::vector<Held> held;
    ClipboardOpening open(owner_);
    for (UINT format = ::EnumClipboardFormats(0); format != 0;
         format = ::EnumClipboardFormats(format)) {
        HANDLE data = ::GetClipboardData(format);
        if (data == nullptr) continue;
        Held item;
        item.format = format;
        if (format == CF_BITMAP || format == CF_DSPBITMAP) {
            item.bitmap.reset(::CopyImage(data, IMAGE_BITMAP, 0, 0, 0));
            if (!item.bitmap) continue;
        } else if (format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE) {
            item.metafile.reset(::CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr));
            if (!item.metafile) continue;
        } else if (IsGdiHandleFormat(format)) {
            continue;  // palettes, metafile pictures, private handles: not kept
        } else {
            const SIZE_T size = ::GlobalSize(data);
            const LockedGlobal source(data);
            if (source.data() == nullptr) continue;
            item.bytes.assign(static_cast<const char*>(source.data()),
                              static_cast<const char*>(source.data()) + size);
        }
        held.push_back(std::move(item));
    }
    return std::make_unique<Win32ClipboardSnapshot>(owner_, std::move(held));
}

}  // namespace kelbrook::win32
