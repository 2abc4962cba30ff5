#include "codec/ReferenceSample.h"

#include "middleware/cdr/CdrCodec.h"
#include "middleware/xtypes/DynamicData.h"
#include "middleware/xtypes/DynamicDataRef.h"

#include <string>

namespace Quorvel::bench {

using xtypes::DynamicType;
using xtypes::DynamicTypePtr;
using xtypes::Extensibility;
using xtypes::Member;
using xtypes::TypeKind;

namespace {

Member M(std::string name, DynamicTypePtr type, std::vector<int64_t> labels = {}, bool isDefault = false) {
    Member m;
    m.name = std::move(name);
    m.type = std::move(type);
    m.labels = std::move(labels);
    m.isDefault = isDefault;
    return m;
}

DynamicTypePtr P(TypeKind kind) { return DynamicType::Primitive(kind); }

}  // namespace

DynamicTypePtr ReferenceType() {
    auto header = DynamicType::Structure(
        "Header", {M("seq", P(TypeKind::UINT32)), M("stamp", P(TypeKind::INT64)), M("source", DynamicType::String(32))},
        Extensibility::FINAL);
    auto point = DynamicType::Structure(
        "Point3", {M("x", P(TypeKind::FLOAT64)), M("y", P(TypeKind::FLOAT64)), M("z", P(TypeKind::FLOAT64))},
        Extensibility::FINAL);
    auto payload = DynamicType::Union("Payload", P(TypeKind::INT32),
                                      {M("value", P(TypeKind::FLOAT64), {1}), M("text", DynamicType::String(), {2}),
                                       M("code", P(TypeKind::INT32), {}, true)},
                                      Extensibility::FINAL);
    std::vector<Member> members = {M("header", header)};
    for (int i = 1; i <= 8; ++i) members.push_back(M("i" + std::to_string(i), P(TypeKind::INT32)));
    for (int i = 1; i <= 4; ++i) members.push_back(M("u" + std::to_string(i), P(TypeKind::UINT32)));
    for (int i = 1; i <= 4; ++i) members.push_back(M("s" + std::to_string(i), P(TypeKind::INT16)));
    for (int i = 1; i <= 6; ++i) members.push_back(M("d" + std::to_string(i), P(TypeKind::FLOAT64)));
    for (int i = 1; i <= 4; ++i) members.push_back(M("f" + std::to_string(i), P(TypeKind::FLOAT32)));
    for (int i = 1; i <= 2; ++i) members.push_back(M("b" + std::to_string(i), P(TypeKind::BOOLEAN)));
    for (int i = 1; i <= 2; ++i) members.push_back(M("o" + std::to_string(i), P(TypeKind::BYTE)));
    for (int i = 1; i <= 2; ++i) members.push_back(M("l" + std::to_string(i), P(TypeKind::INT64)));
    members.push_back(M("name", DynamicType::String()));
    members.push_back(M("description", DynamicType::String()));
    members.push_back(M("position", point));
    members.push_back(M("velocity", point));
    members.push_back(M("waypoints", DynamicType::Sequence(point)));
    members.push_back(M("payload", payload));
    members.push_back(M("ids", DynamicType::Sequence(P(TypeKind::INT32))));
    return DynamicType::Structure("Reference", std::move(members), Extensibility::FINAL);
}

void FillReference(xtypes::DynamicDataRef s) {
    auto header = s.loan_value("header");
    header.value<uint32_t>("seq", 42);
    header.value<int64_t>("stamp", 1700000000123456789LL);
    header.value<std::string>("source", "sensor-array-07");
    for (int i = 1; i <= 8; ++i) s.value<int32_t>("i" + std::to_string(i), -1000 * i);
    for (int i = 1; i <= 4; ++i) s.value<uint32_t>("u" + std::to_string(i), 3000000000u + i);
    for (int i = 1; i <= 4; ++i) s.value<int16_t>("s" + std::to_string(i), static_cast<int16_t>(-300 * i));
    for (int i = 1; i <= 6; ++i) s.value<double>("d" + std::to_string(i), i * 1.0e-3);
    for (int i = 1; i <= 4; ++i) s.value<float>("f" + std::to_string(i), i * 0.25f);
    s.value<bool>("b1", true);
    s.value<uint8_t>("o2", 0xee);
    s.value<int64_t>("l1", -1);
    s.value<int64_t>("l2", 1LL << 40);
    s.value<std::string>("name", "reference sample for the codec benchmark");
    s.value<std::string>("description", "twenty waypoints, thirty ids and a text union");
    s.loan_value("position").value<double>("z", 100.5);
    s.loan_value("velocity").value<double>("x", -3.25);
    auto waypoints = s.loan_value("waypoints");
    for (uint32_t i = 1; i <= kWaypoints; ++i) {
        auto p = waypoints.loan_value(i);
        p.value<double>("x", i);
        p.value<double>("y", i * 2.0);
        p.value<double>("z", i * -0.5);
    }
    s.loan_value("payload").value<std::string>("text", "status nominal");
    auto ids = s.loan_value("ids");
    for (uint32_t i = 1; i <= kIds; ++i) ids.value<int32_t>(i, static_cast<int32_t>(i * 7919));
}

std::vector<uint8_t> ReferencePayload() {
    xtypes::DynamicData sample(ReferenceType());
    FillReference(sample);
    return cdr::to_cdr_buffer(sample, {cdr::CdrVersion::XCDR1, cdr::ByteOrder::LITTLE});
}

}  // namespace Quorvel::bench
