// How long EngineDDSConfig::Init takes to load a library of type files, and how that grows
// with the number of types. The library is generated the way teams lay theirs out: one file
// of constants, type files of 50 types each (modules, enumerations, typedefs, structures with
// nested members, inheritance and unions, min/max/default annotations and comments), each
// including the constants, and one participant file registering a topic per 8 types.
//
//   build/bench/veltrane_ddsconfig_bench --benchmark_filter=Init

#include "common/Log.h"
#include "ddsconfig/EngineDDSConfig.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Quorvel::EngineDDSConfig;

constexpr int kTypesPerFile = 50;

// Four kinds of type in turn: enumeration, typedef, structure (derived from the previous
// structure of the file when there is one), union.
std::string TypeDefinition(int index, int firstOfFile) {
  const std::string n = std::to_string(index);
  switch ((index - firstOfFile) % 4) {
    case 0:
      return "    <enum name=\"Mode" + n + "\"><enumerator name=\"OFF_" + n + "\"/><enumerator name=\"ON_" + n +
             "\" defaultLiteral=\"true\"/><enumerator name=\"AUTO_" + n + "\" value=\"7\"/></enum>\n";
    case 1:
      return "    <typedef name=\"Level" + n + "\" type=\"int32\" min=\"LOWEST\" max=\"100\" unit=\"%\"/>\n";
    case 2: {
      const std::string base = index - 4 >= firstOfFile ? " baseType=\"Record" + std::to_string(index - 4) + "\"" : "";
      const std::string levelType = std::to_string(index - 1);
      const std::string modeType = std::to_string(index - 2);
      return "    <!-- Record " + n + " of the generated library -->\n"
             "    <struct name=\"Record" + n + "\"" + base + " extensibility=\"appendable\">\n"
             "      <member name=\"id" + n + "\" type=\"uint32\" key=\"true\"/>\n"
             "      <member name=\"level" + n + "\" type=\"nonBasic\" nonBasicTypeName=\"Level" + levelType +
             "\" default=\"50\"/>\n"
             "      <member name=\"mode" + n + "\" type=\"nonBasic\" nonBasicTypeName=\"Mode" + modeType + "\"/>\n"
             "      <member name=\"name" + n + "\" type=\"string\" stringMaxLength=\"::NAME_LENGTH\"/>\n"
             "      <member name=\"samples" + n + "\" type=\"float64\" sequenceMaxLength=\"32\" min=\"-1e3\" max=\"1e3\"/>\n"
             "      <member name=\"grid" + n + "\" type=\"int16\" arrayDimensions=\"2,3\"/>\n"
             "      <member name=\"note" + n + "\" type=\"string\" optional=\"true\"/>\n"
             "    </struct>\n";
    }
    default:
      return "    <union name=\"Choice" + n + "\"><discriminator type=\"int32\"/>"
             "<case><caseDiscriminator value=\"1\"/><member name=\"record\" type=\"nonBasic\" nonBasicTypeName=\"Record" +
             std::to_string(index - 1) + "\"/></case>"
             "<case><caseDiscriminator value=\"default\"/><member name=\"text\" type=\"string\" stringMaxLength=\"8\"/>"
             "</case></union>\n";
  }
}

// Writes the library of `types` types into a fresh directory; returns the paths to load.
std::vector<fs::path> GenerateLibrary(int types) {
  const fs::path root = fs::temp_directory_path() /
                        ("veltrane_load_bench_" + std::to_string(getpid()) + "_" + std::to_string(types));
  fs::remove_all(root);
  fs::create_directories(root / "types");
  std::ofstream(root / "types" / "constants.xml")
      << "<?xml version=\"1.0\"?>\n<types>\n  <const name=\"NAME_LENGTH\" type=\"int32\" value=\"64\"/>\n</types>\n";
  std::string registered;
  for (int first = 0; first < types; first += kTypesPerFile) {
    const int file = first / kTypesPerFile;
    std::string text = "<?xml version=\"1.0\"?>\n<types>\n  <include file=\"constants.xml\"/>\n  <module name=\"Lib" +
                       std::to_string(file) + "\">\n    <const name=\"LOWEST\" type=\"int32\" value=\"-10\"/>\n";
    for (int index = first; index < std::min(types, first + kTypesPerFile); ++index) {
      text += TypeDefinition(index, first);
      if ((index - first) % 8 == 2) {
        const std::string name = "Lib" + std::to_string(file) + "::Record" + std::to_string(index);
        registered += "      <register_type name=\"T" + std::to_string(index) + "\" type_ref=\"" + name + "\"/>\n"
                      "      <topic name=\"Topic" + std::to_string(index) + "\" register_type_ref=\"T" +
                      std::to_string(index) + "\"/>\n";
      }
    }
    text += "  </module>\n</types>\n";
    std::ofstream(root / "types" / ("lib" + std::to_string(file) + ".xml")) << text;
  }
  std::ofstream(root / "participant.xml")
      << "<?xml version=\"1.0\"?>\n<dds>\n  <qos_library name=\"BenchLib\">\n"
         "    <qos_profile name=\"Reliable\" base_name=\"BuiltinQosLib::Generic.StrictReliable\" is_default_qos=\"true\"/>\n"
         "  </qos_library>\n  <domain_library name=\"Domains\">\n    <domain name=\"Bench\" domain_id=\"1\">\n" +
             registered +
             "    </domain>\n  </domain_library>\n</dds>\n";
  // The type directory first: the participant file refers to its types.
  return {root / "types", root / "participant.xml"};
}

const std::vector<fs::path>& Library(int types) {
  static std::map<int, std::vector<fs::path>> libraries;
  auto it = libraries.find(types);
  if (it == libraries.end()) it = libraries.emplace(types, GenerateLibrary(types)).first;
  return it->second;
}

void BM_EngineDDSConfigInit(benchmark::State& state) {
  // The engine logs at INFO by default; records below WARNING are not the subject here.
  Quorvel::Log::SetThreshold(Quorvel::LogSeverityLevel::WARNING);
  const int types = static_cast<int>(state.range(0));
  std::vector<fs::path> paths = Library(types);
  for (auto _ : state) {
    std::string participant;
    EngineDDSConfig config(Quorvel::EngineOperationMode::TYPE_INTROSPECTION, paths, -1, participant, false);
    config.Init();
    if (config.UserQosProvider()->types().size() != static_cast<size_t>(types)) state.SkipWithError("types missing");
    benchmark::DoNotOptimize(config.ExtractDynamicType("Lib0::Record2"));
  }
  state.counters["types"] = types;
  state.counters["seconds_per_type"] =
      benchmark::Counter(static_cast<double>(types), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// The provider's share of Init: reading and resolving the same types once, from the texts
// Init hands it.
void BM_QosProviderBuild(benchmark::State& state) {
  Quorvel::Log::SetThreshold(Quorvel::LogSeverityLevel::WARNING);
  const int types = static_cast<int>(state.range(0));
  std::vector<fs::path> paths = Library(types);
  std::string participant;
  EngineDDSConfig loaded(Quorvel::EngineOperationMode::TYPE_INTROSPECTION, paths, -1, participant, false);
  loaded.Init();
  const Quorvel::xml::QosProviderParams params = loaded.ProviderParams();
  for (auto _ : state) {
    Quorvel::xml::QosProvider provider(params);
    benchmark::DoNotOptimize(provider.types().size());
  }
  state.counters["types"] = types;
}

BENCHMARK(BM_QosProviderBuild)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_EngineDDSConfigInit)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
