#pragma once

#include <dds/dds.h>

#include <stdexcept>
#include <string>

namespace Quorvel::InteropPeers {

// A Cyclone entity handle deleted (with its children) when it goes out of scope.
class CycloneEntity {
public:
    CycloneEntity(dds_entity_t handle, const std::string& what) : handle_(handle) {
        if (handle_ < 0) {
            throw std::runtime_error(what + " failed: " + dds_strretcode(handle_));
        }
    }
    ~CycloneEntity() {
        if (handle_ > 0) {
            dds_delete(handle_);
        }
    }
    CycloneEntity(const CycloneEntity&) = delete;
    CycloneEntity& operator=(const CycloneEntity&) = delete;

    dds_entity_t Get() const { return handle_; }

private:
    dds_entity_t handle_;
};

}  // namespace Quorvel::InteropPeers
