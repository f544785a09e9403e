// Publisher through COM automation ("Publisher.Application").
#pragma once

#include "backup/PublisherAutomation.h"

namespace kelbrook::win32 {

class ComPublisherAutomation : public PublisherAutomation {
  public:
    std::unique_ptr<PublisherApplication> CreateInstance() override;
};

}  // namespace kelbrook::win32
