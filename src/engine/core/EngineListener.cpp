#include <quorvel/EngineListener.h>

namespace Quorvel {

// A listener overrides only the callbacks it registers for; the rest do nothing.
EngineListener::~EngineListener() = default;
void EngineListener::OnUserDataJson(const std::string&) {}
void EngineListener::OnUserDataMap(const std::map<std::string, std::string>&) {}
void EngineListener::OnUserDataAvailableNotification() {}
void EngineListener::OnDiscoveryDataJson(const std::string&) {}
void EngineListener::OnDiscoveryDataMap(const std::map<std::string, std::string>&) {}
void EngineListener::OnDiscoveryDataAvailableNotification() {}

}  // namespace Quorvel
