#include "core/Failure.h"

#include <new>

namespace kelbrook {

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
