// The operations the program needs from Microsoft Publisher's automation object model.
#pragma once

#include <memory>

namespace kelbrook {

inline constexpr wchar_t kPublisherProgId[] = L"Publisher.Application";

// One Publisher instance, held while the program uses it and released when destroyed.
class PublisherApplication {
  public:
    virtual ~PublisherApplication() = default;
};

class PublisherAutomation {
  public:
    virtual ~PublisherAutomation() = default;
    // Creates a fresh instance of "Publisher.Application"; raises when it cannot be created,
    // may give nothing when the class yields no object.
    virtual std::unique_ptr<PublisherApplication> CreateInstance() = 0;
};

}  // namespace kelbrook
