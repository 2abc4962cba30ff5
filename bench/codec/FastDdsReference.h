#pragma once

// The same reference type built with Fast DDS 2.9's dynamic types, and its deserialization into
// a reused Fast DDS DynamicData: the peer the codec benchmark compares against.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Quorvel::bench {

class FastDdsReference {
public:
    FastDdsReference();
    ~FastDdsReference();
    FastDdsReference(const FastDdsReference&) = delete;
    FastDdsReference& operator=(const FastDdsReference&) = delete;

    // Keeps a copy of the payload to deserialize.
    void SetPayload(const std::vector<uint8_t>& bytes);
    bool Deserialize();
    // Serializes the last deserialized sample; returns the payload size (0 on failure).
    uint32_t Serialize();

    // A few decoded values, to check the peer read the same sample.
    int32_t Int32Member(uint32_t id) const;
    std::string StringMember(uint32_t id) const;
    uint32_t ItemCount(uint32_t id) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace Quorvel::bench
