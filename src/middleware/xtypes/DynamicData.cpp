#include "middleware/xtypes/DynamicData.h"

#include "middleware/xtypes/DataLayout.h"
#include "middleware/xtypes/DynamicType.h"
#include "middleware/xtypes/ValueLifetime.h"

#include <stdexcept>
#include <utility>

namespace Quorvel::xtypes {

namespace {

const DataLayout& LayoutOf(const DynamicTypePtr& type) {
    if (!type) throw std::invalid_argument("DynamicData needs a type");
    return type->layout();
}

}  // namespace

DynamicData::DynamicData(DynamicTypePtr type)
    : DynamicDataRef(LayoutOf(type), nullptr), type_(std::move(type)) {
    const DataLayout& layout = type_->layout();
    storage_ = std::make_unique_for_overwrite<std::byte[]>(layout.size);
    lifetime::Construct(layout, storage_.get());
    static_cast<DynamicDataRef&>(*this) = DynamicDataRef(layout, storage_.get());
}

DynamicData::~DynamicData() { Release(); }

void DynamicData::Release() noexcept {
    if (storage_) lifetime::Destroy(type_->layout(), storage_.get());
    storage_.reset();
}

DynamicData::DynamicData(const DynamicData& other) : DynamicData(other.type_) {
    lifetime::CopyAssign(type_->layout(), storage_.get(), other.storage_.get());
}

DynamicData& DynamicData::operator=(const DynamicData& other) {
    if (this != &other) *this = DynamicData(other);
    return *this;
}

DynamicData::DynamicData(DynamicData&& other) noexcept
    : DynamicDataRef(other), type_(std::move(other.type_)), storage_(std::move(other.storage_)) {}

DynamicData& DynamicData::operator=(DynamicData&& other) noexcept {
    if (this != &other) {
        Release();
        static_cast<DynamicDataRef&>(*this) = other;
        type_ = std::move(other.type_);
        storage_ = std::move(other.storage_);
    }
    return *this;
}

}  // namespace Quorvel::xtypes
