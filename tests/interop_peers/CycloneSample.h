#pragma once

#include <dds/dds.h>

namespace Quorvel::InteropPeers {

// Owns one sample of an idlc-generated C type together with everything it points to
// (strings, sequence buffers, optional members), freed through Cyclone's own descriptor walk.
class CycloneSample {
public:
    explicit CycloneSample(const dds_topic_descriptor_t& descriptor)
        : descriptor_(&descriptor), memory_(dds_alloc(descriptor.m_size)) {}
    ~CycloneSample() {
        if (memory_ != nullptr) {
            dds_sample_free(memory_, descriptor_, DDS_FREE_ALL);
        }
    }
    CycloneSample(CycloneSample&& other) noexcept
        : descriptor_(other.descriptor_), memory_(other.memory_) {
        other.memory_ = nullptr;
    }
    CycloneSample(const CycloneSample&) = delete;
    CycloneSample& operator=(const CycloneSample&) = delete;
    CycloneSample& operator=(CycloneSample&&) = delete;

    void* Get() const { return memory_; }
    template <typename T>
    T& As() const {
        return *static_cast<T*>(memory_);
    }

private:
    const dds_topic_descriptor_t* descriptor_;
    void* memory_;
};

}  // namespace Quorvel::InteropPeers
