#include "backup/win32/ComPublisherAutomation.h"

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

namespace {

class ComPublisherApplication : public PublisherApplication {
  public:
    explicit ComPublisherApplication(ComPtr<IDispatch> application)
        : application_(std::move(application)) {}

  private:
    ComPtr<IDispatch> application_;
};

}  // namespace

std::unique_ptr<PublisherApplication> ComPublisherAutomation::CreateInstance() {
    CLSID clsid{};
    ThrowIfFailed(::CLSIDFromProgID(kPublisherProgId, &clsid), L"Publisher.Application");
    ComPtr<IDispatch> application;
    ThrowIfFailed(::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                     IID_IDispatch, application.put_void()),
                  L"Publisher.Application");
    if (!application) return nullptr;
    return std::make_unique<ComPublisherApplication>(std::move(application));
}

}  // namespace kelbrook::win32
