#pragma once

// One sample of a DynamicType: a single contiguous block laid out by the type's DataLayout
// (see there), with strings and sequences owning their out-of-line storage. Every data
// operation is inherited from DynamicDataRef (1-based member and element indexes); a sample
// converts to a DynamicDataRef wherever a view is taken, so walkers take `DynamicDataRef`.
//
// Reusing one DynamicData for many samples of its type keeps the capacity of its strings and
// sequences: decoding into it again allocates only when a sample outgrows the previous ones.

#include "middleware/xtypes/DynamicDataRef.h"

#include <memory>

namespace Quorvel::xtypes {

class DynamicType;
using DynamicTypePtr = std::shared_ptr<const DynamicType>;

class DynamicData : public DynamicDataRef {
public:
    explicit DynamicData(DynamicTypePtr type);
    ~DynamicData();
    DynamicData(const DynamicData& other);
    DynamicData& operator=(const DynamicData& other);
    DynamicData(DynamicData&& other) noexcept;
    DynamicData& operator=(DynamicData&& other) noexcept;

    const DynamicTypePtr& type_ptr() const { return type_; }

private:
    void Release() noexcept;

    DynamicTypePtr type_;
    std::unique_ptr<std::byte[]> storage_;
};

}  // namespace Quorvel::xtypes
