#include "core/Failure.h"

#include <initializer_list>
#include <new>

namespace kelbrook {

namespace {

bool OneOf(std::int32_t code, std::initializer_list<std::uint32_t> codes) {
    for (const std::uint32_t each : codes) {
        if (static_cast<std::uint32_t>(code) == each) return true;
    }
    return false;
}

}  // namespace

bool SaysServerBusy(std::int32_t code) {
    return OneOf(code, {0x80010001, 0x8001010A});
}

bool SaysServerGone(std::int32_t code) {
    return OneOf(
        code, {0x80010108, 0x80010007, 0x80010012, 0x800401FD, 0x800706BA, 0x800706BE, 0x800706BF});
}

std::wstring DescribeCurrentException() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.Description();
    } catch (const std::bad_alloc&) {
        return L"Out of memory";
    } catch (const std::exception& e) {
        std::wstring text;
        for (const char* p = e.what(); *p != '\0'; ++p) {
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
        }
        return text;
    } catch (...) {
        return L"Unknown error";
    }
}

}  // namespace kelbrook
