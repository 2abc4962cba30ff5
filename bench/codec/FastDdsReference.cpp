#include "codec/FastDdsReference.h"

#include "codec/ReferenceSample.h"

#include <fastrtps/rtps/common/SerializedPayload.h>
#include <fastrtps/types/DynamicData.h>
#include <fastrtps/types/DynamicDataFactory.h>
#include <fastrtps/types/DynamicDataPtr.h>
#include <fastrtps/types/DynamicPubSubType.h>
#include <fastrtps/types/DynamicTypeBuilder.h>
#include <fastrtps/types/DynamicTypeBuilderFactory.h>
#include <fastrtps/types/DynamicTypeBuilderPtr.h>

#include <cstring>
#include <stdexcept>

namespace Quorvel::bench {

namespace ft = eprosima::fastrtps::types;

namespace {

ft::DynamicTypeBuilderFactory& Factory() { return *ft::DynamicTypeBuilderFactory::get_instance(); }

ft::DynamicType_ptr Build(const ft::DynamicTypeBuilder_ptr& builder, const std::string& name) {
    builder->set_name(name);
    return builder->build();
}

// Member ids are the declaration positions, as in ReferenceType().
ft::DynamicType_ptr ReferenceTypeForFastDds() {
    ft::DynamicTypeBuilder_ptr header(Factory().create_struct_builder());
    header->add_member(0, "seq", Factory().create_uint32_type());
    header->add_member(1, "stamp", Factory().create_int64_type());
    header->add_member(2, "source", Factory().create_string_type(32));
    const auto headerType = Build(header, "Header");

    ft::DynamicTypeBuilder_ptr point(Factory().create_struct_builder());
    point->add_member(0, "x", Factory().create_float64_type());
    point->add_member(1, "y", Factory().create_float64_type());
    point->add_member(2, "z", Factory().create_float64_type());
    const auto pointType = Build(point, "Point3");

    ft::DynamicTypeBuilder_ptr payload(Factory().create_union_builder(Factory().create_int32_type()));
    payload->add_member(0, "value", Factory().create_float64_type(), "", {1}, false);
    payload->add_member(1, "text", Factory().create_string_type(), "", {2}, false);
    payload->add_member(2, "code", Factory().create_int32_type(), "", {}, true);
    const auto payloadType = Build(payload, "Payload");

    ft::DynamicTypeBuilder_ptr s(Factory().create_struct_builder());
    uint32_t id = 0;
    s->add_member(id++, "header", headerType);
    for (int i = 1; i <= 8; ++i) s->add_member(id++, "i" + std::to_string(i), Factory().create_int32_type());
    for (int i = 1; i <= 4; ++i) s->add_member(id++, "u" + std::to_string(i), Factory().create_uint32_type());
    for (int i = 1; i <= 4; ++i) s->add_member(id++, "s" + std::to_string(i), Factory().create_int16_type());
    for (int i = 1; i <= 6; ++i) s->add_member(id++, "d" + std::to_string(i), Factory().create_float64_type());
    for (int i = 1; i <= 4; ++i) s->add_member(id++, "f" + std::to_string(i), Factory().create_float32_type());
    for (int i = 1; i <= 2; ++i) s->add_member(id++, "b" + std::to_string(i), Factory().create_bool_type());
    for (int i = 1; i <= 2; ++i) s->add_member(id++, "o" + std::to_string(i), Factory().create_byte_type());
    for (int i = 1; i <= 2; ++i) s->add_member(id++, "l" + std::to_string(i), Factory().create_int64_type());
    s->add_member(id++, "name", Factory().create_string_type());
    s->add_member(id++, "description", Factory().create_string_type());
    s->add_member(id++, "position", pointType);
    s->add_member(id++, "velocity", pointType);
    ft::DynamicTypeBuilder_ptr waypoints(Factory().create_sequence_builder(pointType));
    s->add_member(id++, "waypoints", waypoints->build());
    s->add_member(id++, "payload", payloadType);
    ft::DynamicTypeBuilder_ptr ids(Factory().create_sequence_builder(Factory().create_int32_type()));
    s->add_member(id++, "ids", ids->build());
    return Build(s, "Reference");
}

}  // namespace

struct FastDdsReference::Impl {
    ft::DynamicType_ptr type = ReferenceTypeForFastDds();
    ft::DynamicPubSubType pubSub{type};
    ft::DynamicData_ptr data{ft::DynamicDataFactory::get_instance()->create_data(type)};
    eprosima::fastrtps::rtps::SerializedPayload_t payload;
    eprosima::fastrtps::rtps::SerializedPayload_t output{64 * 1024};
};

FastDdsReference::FastDdsReference() : impl_(std::make_unique<Impl>()) {}

FastDdsReference::~FastDdsReference() = default;

void FastDdsReference::SetPayload(const std::vector<uint8_t>& bytes) {
    impl_->payload.reserve(static_cast<uint32_t>(bytes.size()));
    std::memcpy(impl_->payload.data, bytes.data(), bytes.size());
    impl_->payload.length = static_cast<uint32_t>(bytes.size());
}

bool FastDdsReference::Deserialize() {
    impl_->payload.pos = 0;
    return impl_->pubSub.deserialize(&impl_->payload, impl_->data.get());
}

uint32_t FastDdsReference::Serialize() {
    impl_->output.length = 0;
    impl_->output.pos = 0;
    return impl_->pubSub.serialize(impl_->data.get(), &impl_->output) ? impl_->output.length : 0;
}

int32_t FastDdsReference::Int32Member(uint32_t id) const { return impl_->data->get_int32_value(id); }

std::string FastDdsReference::StringMember(uint32_t id) const { return impl_->data->get_string_value(id); }

uint32_t FastDdsReference::ItemCount(uint32_t id) const {
    ft::DynamicData* member = impl_->data->loan_value(id);
    const uint32_t count = member ? member->get_item_count() : 0;
    if (member) impl_->data->return_loaned_value(member);
    return count;
}

}  // namespace Quorvel::bench
