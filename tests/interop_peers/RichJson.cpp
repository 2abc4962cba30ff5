#include "RichJson.h"

#include <cstddef>
#include <string>

namespace Quorvel::InteropPeers {
namespace {

using Json = nlohmann::ordered_json;

// nlohmann would print a char as its code; the golden form spells it as a one-char string.
Json CharJson(char value) { return std::string(1, value); }

Json TextJson(const char* text) { return std::string(text == nullptr ? "" : text); }

// Enumerations are compared by their integer value, whatever the enumerator is called.
template <typename Enum>
Json EnumJson(Enum value) {
    return static_cast<int64_t>(value);
}

template <typename Sequence, typename ElementJson>
Json SequenceJson(const Sequence& sequence, ElementJson elementJson) {
    Json result = Json::array();
    for (uint32_t i = 0; i < sequence._length; ++i) {
        result.push_back(elementJson(sequence._buffer[i]));
    }
    return result;
}

template <typename Element, std::size_t N, typename ElementJson>
Json ArrayJson(const Element (&array)[N], ElementJson elementJson) {
    Json result = Json::array();
    for (const Element& element : array) {
        result.push_back(elementJson(element));
    }
    return result;
}

const auto kPlain = [](const auto& value) { return Json(value); };
const auto kText = [](const char* text) { return TextJson(text); };

Json UnionJson(Json discriminator) {
    Json result = Json::object();
    result["discriminator"] = std::move(discriminator);
    return result;
}

Json PointJson(const Rich_Geo_Point& point) { return Json{{"x", point.x}, {"y", point.y}}; }

Json ZoneJson(const Rich_Geo_Zone& zone) {
    return Json{{"zone_id", zone.zone_id}, {"zone_name", TextJson(zone.zone_name)}};
}

Json PrimitivesJson(const Rich_Primitives& prims) {
    return Json{{"flag", prims.flag},
                {"byte_value", prims.byte_value},
                {"int8_value", prims.int8_value},
                {"uint8_value", prims.uint8_value},
                {"letter", CharJson(prims.letter)},
                {"int16_value", prims.int16_value},
                {"uint16_value", prims.uint16_value},
                {"int32_value", prims.int32_value},
                {"uint32_value", prims.uint32_value},
                {"int64_value", prims.int64_value},
                {"uint64_value", prims.uint64_value},
                {"float_value", prims.float_value},
                {"double_value", prims.double_value}};
}

Json ColorChoiceJson(const Rich_ColorChoice& choice) {
    Json result = UnionJson(EnumJson(choice._d));
    switch (choice._d) {
        case Rich_RED: result["red_count"] = choice._u.red_count; break;
        case Rich_GREEN: result["green_level"] = choice._u.green_level; break;
        default: result["other_text"] = TextJson(choice._u.other_text); break;
    }
    return result;
}

Json ShortChoiceJson(const Rich_ShortChoice& choice) {
    Json result = UnionJson(choice._d);
    switch (choice._d) {
        case 1:
        case 2: result["small_value"] = choice._u.small_value; break;
        case 300: result["where"] = PointJson(choice._u.where); break;
        default: result["fallback"] = choice._u.fallback; break;
    }
    return result;
}

Json LongChoiceJson(const Rich_LongChoice& choice) {
    Json result = UnionJson(choice._d);
    switch (choice._d) {
        case 100:
        case 200:
        case 300: result["shorts"] = SequenceJson(choice._u.shorts, kPlain); break;
        case -1: result["caption"] = TextJson(choice._u.caption); break;
        default: result["flag"] = choice._u.flag; break;
    }
    return result;
}

Json OctetChoiceJson(const Rich_OctetChoice& choice) {
    Json result = UnionJson(choice._d);
    switch (choice._d) {
        case 0: result["letter"] = CharJson(choice._u.letter); break;
        case 255: result["big"] = choice._u.big; break;
        default: result["ratio"] = choice._u.ratio; break;
    }
    return result;
}

// No default case: a discriminator outside the labels selects no member at all.
Json CharChoiceJson(const Rich_CharChoice& choice) {
    Json result = UnionJson(CharJson(choice._d));
    switch (choice._d) {
        case 'a': result["a_value"] = choice._u.a_value; break;
        case 'b':
        case 'c': result["bc_text"] = TextJson(choice._u.bc_text); break;
        default: break;
    }
    return result;
}

Json FlagChoiceJson(const Rich_FlagChoice& choice) {
    Json result = UnionJson(choice._d);
    if (choice._d) {
        result["on_value"] = choice._u.on_value;
    } else {
        result["off_name"] = TextJson(choice._u.off_name);
    }
    return result;
}

Json Int8ChoiceJson(const Rich_Int8Choice& choice) {
    Json result = UnionJson(choice._d);
    switch (choice._d) {
        case 1:
        case 2: result["small_value"] = choice._u.small_value; break;
        case 127: result["max_value"] = choice._u.max_value; break;
        default: result["other"] = choice._u.other; break;
    }
    return result;
}

Json UInt8ChoiceJson(const Rich_UInt8Choice& choice) {
    Json result = UnionJson(choice._d);
    if (choice._d == 200) {
        result["text"] = TextJson(choice._u.text);
    } else {
        result["other"] = choice._u.other;
    }
    return result;
}

Json UShortChoiceJson(const Rich_UShortChoice& choice) {
    Json result = UnionJson(choice._d);
    if (choice._d == 65535) {
        result["top"] = choice._u.top;
    } else {
        result["other"] = CharJson(choice._u.other);
    }
    return result;
}

Json ULongChoiceJson(const Rich_ULongChoice& choice) {
    Json result = UnionJson(choice._d);
    if (choice._d == 70000) {
        result["big"] = choice._u.big;
    } else {
        result["other"] = choice._u.other;
    }
    return result;
}

Json SettingsJson(const Rich_Settings& settings) {
    Json result = Json::object();
    result["mode"] = settings.mode;
    if (settings.gain != nullptr) {
        result["gain"] = *settings.gain;
    }
    result["tag"] = TextJson(settings.tag);
    result["levels"] = SequenceJson(settings.levels, kPlain);
    return result;
}

// The members both versions of AppendableRecord have, into `result` in declaration order.
template <typename Record>
void AppendableRecordMembers(const Record& s, Json& result) {
    result["record_id"] = s.parent.record_id;
    result["shard"] = s.parent.shard;
    result["origin"] = TextJson(s.parent.origin);
    result["grade"] = EnumJson(s.grade);
    result["config"] = SettingsJson(s.config);
    if (s.maybe_count != nullptr) {
        result["maybe_count"] = *s.maybe_count;
    }
    if (s.maybe_text != nullptr) {
        result["maybe_text"] = TextJson(s.maybe_text);
    }
    if (s.maybe_point != nullptr) {
        result["maybe_point"] = PointJson(*s.maybe_point);
    }
    result["points"] = SequenceJson(s.points, PointJson);
    result["choice"] = ColorChoiceJson(s.choice);
    result["ratio"] = s.ratio;
}

// The members both versions of MutableRecord have (`active` only where it exists).
template <typename Record>
void MutableRecordMembers(const Record& s, Json& result) {
    result["station"] = TextJson(s.station);
    result["region"] = s.region;
    result["temperature"] = s.temperature;
    if constexpr (requires { s.active; }) {
        result["active"] = s.active;
    }
    if (s.counter != nullptr) {
        result["counter"] = *s.counter;
    }
    if (s.position != nullptr) {
        result["position"] = PointJson(*s.position);
    }
    if (s.notes != nullptr) {
        result["notes"] = SequenceJson(*s.notes, kText);
    }
    result["nested"] = SettingsJson(s.nested);
    result["choice"] = LongChoiceJson(s.choice);
    result["prims"] = PrimitivesJson(s.prims);
    result["blob"] = ArrayJson(s.blob, kPlain);
    result["altitude"] = s.altitude;
}

}  // namespace

Json FinalAllJson(const Rich_FinalAll& s) {
    const auto row = [](const auto& cells) { return ArrayJson(cells, kPlain); };
    const auto longSeq = [](const Rich_LongSeq& seq) { return SequenceJson(seq, kPlain); };
    return Json{{"id", s.id},
                {"zone", ZoneJson(s.zone)},
                {"prims", PrimitivesJson(s.prims)},
                {"free_text", TextJson(s.free_text)},
                {"bounded_text", TextJson(s.bounded_text)},
                {"aliased_text", TextJson(s.aliased_text)},
                {"paint", EnumJson(s.paint)},
                {"grade", EnumJson(s.grade)},
                {"cells", ArrayJson(s.cells, row)},
                {"matrix", ArrayJson(s.matrix, row)},
                {"code", ArrayJson(s.code, CharJson)},
                {"raw", ArrayJson(s.raw, kPlain)},
                {"corners", ArrayJson(s.corners, PointJson)},
                {"names", ArrayJson(s.names, kText)},
                {"bounded_shorts", SequenceJson(s.bounded_shorts, kPlain)},
                {"longs", longSeq(s.longs)},
                {"big_numbers", SequenceJson(s.big_numbers, kPlain)},
                {"texts", SequenceJson(s.texts, kText)},
                {"bounded_names", SequenceJson(s.bounded_names, kText)},
                {"path", SequenceJson(s.path, PointJson)},
                {"nested_longs", SequenceJson(s.nested_longs, longSeq)},
                {"long_rows", ArrayJson(s.long_rows, longSeq)},
                {"colors", SequenceJson(s.colors, [](Rich_Color c) { return EnumJson(c); })},
                {"color_choice", ColorChoiceJson(s.color_choice)},
                {"short_choice", ShortChoiceJson(s.short_choice)},
                {"long_choice", LongChoiceJson(s.long_choice)},
                {"octet_choice", OctetChoiceJson(s.octet_choice)},
                {"char_choice", CharChoiceJson(s.char_choice)},
                {"flag_choice", FlagChoiceJson(s.flag_choice)}};
}

Json ExtrasJson(const Rich_Extras& s) {
    return Json{{"slot", s.slot},
                {"lane", s.lane},
                {"serial", s.serial},
                {"permissions", s.permissions},
                {"channel_mask", s.channel_mask},
                {"feature_set", s.feature_set},
                {"wide", s.wide},
                {"access_log", SequenceJson(s.access_log, kPlain)},
                {"feature_rows", ArrayJson(s.feature_rows, kPlain)},
                {"int8_choice", Int8ChoiceJson(s.int8_choice)},
                {"uint8_choice", UInt8ChoiceJson(s.uint8_choice)},
                {"ushort_choice", UShortChoiceJson(s.ushort_choice)},
                {"ulong_choice", ULongChoiceJson(s.ulong_choice)}};
}

Json AppendableRecordJson(const Rich_AppendableRecord& s) {
    Json result = Json::object();
    AppendableRecordMembers(s, result);
    return result;
}

Json EvolvedAppendableRecordJson(const RichEvolved_AppendableRecord& s) {
    Json result = Json::object();
    AppendableRecordMembers(s, result);
    result["extra_count"] = s.extra_count;
    result["extra_note"] = TextJson(s.extra_note);
    return result;
}

Json MutableRecordJson(const Rich_MutableRecord& s) {
    Json result = Json::object();
    MutableRecordMembers(s, result);
    return result;
}

Json EvolvedMutableRecordJson(const RichEvolved_MutableRecord& s) {
    Json result = Json::object();
    result["extra_label"] = TextJson(s.extra_label);
    MutableRecordMembers(s, result);
    result["extra_value"] = s.extra_value;
    return result;
}

}  // namespace Quorvel::InteropPeers
