#include "middleware/cdr/Encapsulation.h"

#include <array>

namespace Quorvel::cdr {

namespace {

struct Entry {
    EncapsulationId id;
    Encapsulation encapsulation;
};

constexpr std::array<Entry, 10> kEncapsulations{{
    {EncapsulationId::CDR_BE, {CdrVersion::XCDR1, ByteOrder::BIG, EncodingKind::PLAIN}},
    {EncapsulationId::CDR_LE, {CdrVersion::XCDR1, ByteOrder::LITTLE, EncodingKind::PLAIN}},
    {EncapsulationId::PL_CDR_BE, {CdrVersion::XCDR1, ByteOrder::BIG, EncodingKind::PARAMETER_LIST}},
    {EncapsulationId::PL_CDR_LE, {CdrVersion::XCDR1, ByteOrder::LITTLE, EncodingKind::PARAMETER_LIST}},
    {EncapsulationId::CDR2_BE, {CdrVersion::XCDR2, ByteOrder::BIG, EncodingKind::PLAIN}},
    {EncapsulationId::CDR2_LE, {CdrVersion::XCDR2, ByteOrder::LITTLE, EncodingKind::PLAIN}},
    {EncapsulationId::D_CDR2_BE, {CdrVersion::XCDR2, ByteOrder::BIG, EncodingKind::DELIMITED}},
    {EncapsulationId::D_CDR2_LE, {CdrVersion::XCDR2, ByteOrder::LITTLE, EncodingKind::DELIMITED}},
    {EncapsulationId::PL_CDR2_BE, {CdrVersion::XCDR2, ByteOrder::BIG, EncodingKind::PARAMETER_LIST}},
    {EncapsulationId::PL_CDR2_LE, {CdrVersion::XCDR2, ByteOrder::LITTLE, EncodingKind::PARAMETER_LIST}},
}};

}  // namespace

std::optional<Encapsulation> DescribeEncapsulation(uint16_t id) {
    for (const Entry& e : kEncapsulations)
        if (static_cast<uint16_t>(e.id) == id) return e.encapsulation;
    return std::nullopt;
}

EncapsulationId MakeEncapsulationId(const Encapsulation& wanted) {
    for (const Entry& e : kEncapsulations)
        if (e.encapsulation.version == wanted.version && e.encapsulation.order == wanted.order &&
            e.encapsulation.kind == wanted.kind)
            return e.id;
    // XCDR1 has no delimited form: appendable types travel as plain CDR.
    return wanted.order == ByteOrder::BIG ? EncapsulationId::CDR_BE : EncapsulationId::CDR_LE;
}

}  // namespace Quorvel::cdr
