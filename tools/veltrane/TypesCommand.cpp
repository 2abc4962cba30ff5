// veltrane types: the types of the type files, or the flattened members of named types.

#include "Commands.h"
#include "EngineSetup.h"
#include "OutputSink.h"
#include "RecordWriter.h"

#include <quorvel/Veltrane.h>

#include <string>
#include <vector>

namespace Quorvel::Cli {
namespace {

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "|") + part;
  return text;
}

Record TypeRecord(const TypeBasicInfo& type) {
  return {{"type", type.name}, {"nested", Bool(type.nested), false}, {"file", type.info}};
}

// What only some kinds carry: bounds, element kinds, enumerators, union members.
void KindDetails(const Element& element, std::string& bound, std::string& elementKind, std::string& values) {
  if (const auto* text = dynamic_cast<const StringElement*>(&element)) {
    bound = std::to_string(text->bound);
  } else if (const auto* collection = dynamic_cast<const CollectionElement*>(&element)) {
    bound = std::to_string(collection->bound);
    elementKind = collection->elementKindName;
  } else if (const auto* enumeration = dynamic_cast<const EnumElement*>(&element)) {
    std::vector<std::string> names;
    for (const Enumerator& e : enumeration->enumerators) names.push_back(e.name + "=" + std::to_string(e.ordinal));
    values = Join(names);
  }
  std::vector<std::string> cases;
  for (const UnionMemberInfo& member : element.unionMemberInfos) {
    std::vector<std::string> labels;
    for (const std::int64_t label : member.labels) labels.push_back(std::to_string(label));
    cases.push_back(member.name + "(" + Join(labels) + ")");
  }
  if (!cases.empty()) values = Join(cases);
}

Record MemberRecord(const std::string& typeName, const Element& element) {
  std::string bound, elementKind, values;
  KindDetails(element, bound, elementKind, values);
  return {{"type", typeName, true, false},
          // The type's own column has no member name: the table shows the type there.
          {"member", element.longMemberName.empty() ? typeName : element.longMemberName},
          {"kind", element.engineKindName},
          {"depth", std::to_string(element.depth), false, false},
          {"key", Bool(element.isKey), false},
          {"optional", Bool(element.isOptional), false, false},
          {"node", Bool(element.isNode), false, false},
          {"size", std::to_string(element.size), false},
          {"bound", bound},
          {"element_kind", elementKind, true, false},
          {"values", values, true, false},
          {"min", element.minValue},
          {"max", element.maxValue},
          {"unit", element.unit},
          {"default", element.defaultValue},
          {"description", element.description, true, false}};
}

}  // namespace

int RunTypes(const Invocation& invocation) {
  OutputSink sink(invocation.output.path);
  Veltrane engine;
  engine.Init(MakeEngineConfiguration(EngineOperationMode::TYPE_INTROSPECTION, invocation.common,
                                      invocation.output, true));
  engine.Run();
  std::vector<Record> records;
  if (invocation.typeNames.empty()) {
    for (const TypeBasicInfo& type : engine.GetTypesBasicInfo()) records.push_back(TypeRecord(type));
  }
  for (const std::string& name : invocation.typeNames) {
    const TypeInfo info = engine.IntrospectType(name);
    for (const auto& element : info.elements) records.push_back(MemberRecord(info.name, *element));
  }
  engine.Shutdown();
  sink.Write(RenderRecords(records, invocation.output.format));
  sink.Flush();
  return 0;
}

}  // namespace Quorvel::Cli
