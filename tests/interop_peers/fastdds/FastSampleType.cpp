#include "FastSampleType.h"

#include <fastrtps/types/DynamicData.h>
#include <fastrtps/types/DynamicDataFactory.h>
#include <fastrtps/types/DynamicTypeBuilder.h>
#include <fastrtps/types/DynamicTypeBuilderFactory.h>
#include <fastrtps/types/DynamicTypeBuilderPtr.h>

#include <stdexcept>
#include <string>

namespace Quorvel::InteropPeers {
namespace {

using namespace eprosima::fastrtps::types;

constexpr std::uint32_t kReadings = 4;
constexpr std::uint32_t kValuesBound = 64;

enum Member : MemberId { INDEX, COUNTER, RATIO, FLAG, TEXT, READINGS, VALUES };

void Check(ReturnCode_t code, const char* what) {
    if (code != ReturnCode_t::RETCODE_OK) throw std::runtime_error(std::string("Fast DDS ") + what + " failed");
}

}  // namespace

DynamicType_ptr FastSampleType(std::uint32_t textBound) {
    DynamicTypeBuilderFactory* factory = DynamicTypeBuilderFactory::get_instance();
    DynamicTypeBuilder_ptr text(factory->create_string_builder(textBound));
    DynamicTypeBuilder_ptr readings(factory->create_array_builder(factory->create_int16_type(), {kReadings}));
    DynamicTypeBuilder_ptr values(factory->create_sequence_builder(factory->create_int32_type(), kValuesBound));
    DynamicTypeBuilder_ptr sample(factory->create_struct_builder());
    Check(sample->add_member(INDEX, "index", factory->create_uint64_type()), "add_member index");
    Check(sample->add_member(COUNTER, "counter", factory->create_int32_type()), "add_member counter");
    Check(sample->add_member(RATIO, "ratio", factory->create_float64_type()), "add_member ratio");
    Check(sample->add_member(FLAG, "flag", factory->create_bool_type()), "add_member flag");
    Check(sample->add_member(TEXT, "text", text.get()), "add_member text");
    Check(sample->add_member(READINGS, "readings", readings.get()), "add_member readings");
    Check(sample->add_member(VALUES, "values", values.get()), "add_member values");
    sample->set_name("E2E::FastSample");
    return sample->build();
}

FastSampleValue MakeFastSample(const DynamicType_ptr& type, std::uint64_t index, std::size_t textLength) {
    FastSampleValue value{nlohmann::ordered_json::object(), DynamicData_ptr(DynamicDataFactory::get_instance()->create_data(type))};
    DynamicData& data = *value.data;
    const auto counter = static_cast<std::int32_t>(index * 7919 % 100000) - 50000;
    const double ratio = static_cast<double>(index) / 8.0 - 3.25;  // exact in binary
    const bool flag = index % 3 == 0;
    std::string text;
    for (std::size_t i = 0; i < textLength; ++i) text += static_cast<char>('a' + (index + i) % 26);
    Check(data.set_uint64_value(index, INDEX), "set index");
    Check(data.set_int32_value(counter, COUNTER), "set counter");
    Check(data.set_float64_value(ratio, RATIO), "set ratio");
    Check(data.set_bool_value(flag, FLAG), "set flag");
    Check(data.set_string_value(text, TEXT), "set text");
    value.json["index"] = index;
    value.json["counter"] = counter;
    value.json["ratio"] = ratio;
    value.json["flag"] = flag;
    value.json["text"] = text;

    nlohmann::ordered_json readingsJson = nlohmann::ordered_json::array();
    DynamicData* readings = data.loan_value(READINGS);
    for (std::uint32_t i = 0; i < kReadings; ++i) {
        const auto reading = static_cast<std::int16_t>(static_cast<int>(index % 1000) * (i % 2 == 0 ? 1 : -1) + static_cast<int>(i));
        Check(readings->set_int16_value(reading, readings->get_array_index({i})), "set reading");
        readingsJson.push_back(reading);
    }
    data.return_loaned_value(readings);
    value.json["readings"] = readingsJson;

    nlohmann::ordered_json valuesJson = nlohmann::ordered_json::array();
    DynamicData* values = data.loan_value(VALUES);
    for (std::uint32_t i = 0; i < index % 6; ++i) {
        MemberId id = MEMBER_ID_INVALID;
        const auto element = static_cast<std::int32_t>(index * 100 + i) * (i % 2 == 0 ? 1 : -1);
        Check(values->insert_int32_value(element, id), "insert value");
        valuesJson.push_back(element);
    }
    data.return_loaned_value(values);
    value.json["values"] = valuesJson;
    return value;
}

}  // namespace Quorvel::InteropPeers
