#include "engine/core/NetworkAdapters.h"

#include "common/Log.h"

#include <pcap/pcap.h>

#include <memory>
#include <set>

namespace Quorvel {
namespace {

constexpr const char* kNoAdapters = "GetAvailableNetworkAdaptersList No adapters are found on the local host";

struct DeviceListDeleter {
  void operator()(pcap_if_t* devices) const { pcap_freealldevs(devices); }
};

}  // namespace

std::vector<std::string> ListNetworkAdapters() {
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_if_t* raw = nullptr;
  if (pcap_findalldevs(&raw, error) != 0) {
    LogWarning(std::string(kNoAdapters) + ". " + error);
    return {};
  }
  std::unique_ptr<pcap_if_t, DeviceListDeleter> devices(raw);
  std::set<std::string> names;
  for (const pcap_if_t* device = devices.get(); device != nullptr; device = device->next) {
    if (device->name != nullptr) names.insert(device->name);
  }
  if (names.empty()) LogWarning(kNoAdapters);
  return {names.begin(), names.end()};
}

}  // namespace Quorvel
