// The only place that knows CLI11: subcommands, their options and the texts of --help.

#include "CommandLine.h"

#include <quorvel/Veltrane.h>

#include <CLI/CLI.hpp>

#include <map>
#include <string>

namespace Quorvel::Cli {
namespace {

// A repeatable option takes one value per occurrence, so that it never swallows the
// positional arguments that follow it.
CLI::Option* Repeatable(CLI::Option* option) { return option->allow_extra_args(false); }

template <typename Enum>
CLI::CheckedTransformer Choices(std::map<std::string, Enum> choices) {
  return CLI::CheckedTransformer(std::move(choices), CLI::ignore_case);
}

void AddXmlOption(CLI::App& command, CommonOptions& common) {
  Repeatable(command.add_option("-x,--xml", common.xmlPaths,
                                "DDS XML files or folders to load, in order: type files, QoS profiles, "
                                "participant definitions (repeatable; default: the working directory)"));
}

void AddLogOptions(CLI::App& command, CommonOptions& common) {
  command.add_option("--log-dir", common.logDir, "folder of the log files (default: ~/.local/state/veltrane)");
  command.add_option("-v,--verbosity", common.verbosity, "log verbosity")
      ->transform(Choices<LogSeverityLevel>({{"trace", LogSeverityLevel::TRACE},
                                              {"debug", LogSeverityLevel::DEBUG},
                                              {"info", LogSeverityLevel::INFO},
                                              {"warning", LogSeverityLevel::WARNING},
                                              {"error", LogSeverityLevel::ERROR},
                                              {"fatal", LogSeverityLevel::FATAL}}));
}

void AddFormatOptions(CLI::App& command, OutputOptions& output) {
  command.add_option("-F,--format", output.format, "output format: jsonl (default), kv (member=value lines), table")
      ->transform(Choices<OutputFormat>({{"jsonl", OutputFormat::JSON_LINES},
                                          {"kv", OutputFormat::KEY_VALUE},
                                          {"table", OutputFormat::TABLE}}));
  command.add_option("-o,--output", output.path, "write to this file instead of standard output");
}

void AddValueFormatOptions(CLI::App& command, OutputOptions& output) {
  command.add_option("--booleans", output.booleans, "booleans as numeric (1/0, default) or string (TRUE/FALSE)")
      ->transform(Choices<BooleanFormat>({{"numeric", BooleanFormat::NUMERIC}, {"string", BooleanFormat::STRING}}));
  command.add_option("--chars", output.chars, "char arrays as byte (default) values or one string")
      ->transform(Choices<CharArrayFormat>({{"byte", CharArrayFormat::BYTE}, {"string", CharArrayFormat::STRING}}));
  command.add_option("--octets", output.bytes, "octet arrays element by element (default) or as one buffer")
      ->transform(Choices<ByteArrayFormat>({{"element", ByteArrayFormat::ELEMENT}, {"buffer", ByteArrayFormat::BUFFER}}));
  command.add_option("--enums", output.enums, "enumerations as value (default), name, or both")
      ->transform(Choices<EnumOutputFormat>({{"value", EnumOutputFormat::VALUE},
                                              {"name", EnumOutputFormat::NAME},
                                              {"both", EnumOutputFormat::VALUE_AND_NAME}}));
  command.add_option("--order", output.ordering, "JSON members in type order (default) or sorted by name")
      ->transform(Choices<FieldsOrdering>({{"type", FieldsOrdering::TYPE_BASED_ORDERING},
                                            {"name", FieldsOrdering::STANDARDIZED_UNORDERED}}));
}

void AddThreadsOption(CLI::App& command, CommonOptions& common) {
  command.add_option("-j,--threads", common.threads, "worker threads of the engine")
      ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1024}));
}

void AddParticipantOptions(CLI::App& command, CommonOptions& common) {
  command.add_option("-d,--domain", common.domainId, "DDS domain id (default: the participant definition's)")
      ->check(CLI::Range(std::int64_t{0}, std::int64_t{232}));
  command.add_option("-p,--participant", common.participant,
                     "participant definition, library::participant (default: the first one)");
}

void AddStreamOptions(CLI::App& command, StreamOptions& stream, bool hasDuration) {
  Repeatable(command.add_option("-t,--topic", stream.topicGlobs, "write only topics matching this glob (repeatable)"));
  command.add_option("-n,--count", stream.sampleLimit, "stop after writing this many samples");
  if (hasDuration) {
    command.add_option("--duration", stream.durationSeconds, "stop after this many seconds")
        ->check(CLI::PositiveNumber);
  }
  command.add_flag("--discovery", stream.discovery, "write discovery samples too");
  command.add_flag("!--no-summary", stream.summary, "no summary on standard error at the end");
}

// Options every sample-streaming command has.
void AddStreamingCommandOptions(CLI::App& command, Invocation& invocation, bool hasDuration) {
  AddXmlOption(command, invocation.common);
  AddFormatOptions(command, invocation.output);
  AddValueFormatOptions(command, invocation.output);
  AddStreamOptions(command, invocation.stream, hasDuration);
  AddThreadsOption(command, invocation.common);
  AddLogOptions(command, invocation.common);
}

// Passive commands: how many messages may wait in the pipeline (a recording pauses above it,
// a live capture drops).
void AddPipelineOption(CLI::App& command, CommonOptions& common) {
  command.add_option("--max-pipeline-messages", common.maxPipelineMessages,
                     "messages that may wait in the pipeline (default 4096)")
      ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{2147483647}));
}

void AddDissect(CLI::App& app, Invocation& invocation) {
  CLI::App* command = app.add_subcommand("dissect", "decode the DDS samples of pcap recordings");
  command->add_option("recordings", invocation.recordings, "pcap files, dissected one after another")->required();
  AddStreamingCommandOptions(*command, invocation, false);
  command->add_flag("!--no-progress", invocation.stream.progress, "no progress bar on standard error");
  AddPipelineOption(*command, invocation.common);
  command->callback([&invocation] { invocation.command = Command::DISSECT; });
}

void AddCapture(CLI::App& app, Invocation& invocation) {
  CLI::App* command = app.add_subcommand("capture", "decode the DDS traffic on a network interface, joining nothing");
  command->add_option("-i,--interface", invocation.interface, "capture device (e.g. lo)")->required();
  AddStreamingCommandOptions(*command, invocation, true);
  AddPipelineOption(*command, invocation.common);
  command->callback([&invocation] { invocation.command = Command::CAPTURE; });
}

void AddMonitor(CLI::App& app, Invocation& invocation) {
  CLI::App* command = app.add_subcommand(
      "monitor", "join a domain and read every discovered topic whose type the type files know");
  AddParticipantOptions(*command, invocation.common);
  AddStreamingCommandOptions(*command, invocation, true);
  command->callback([&invocation] { invocation.command = Command::MONITOR; });
}

void AddMonitorReaders(CLI::App& app, Invocation& invocation) {
  CLI::App* command = app.add_subcommand("monitor-readers", "join a domain with the data readers of a participant file");
  AddParticipantOptions(*command, invocation.common);
  AddStreamingCommandOptions(*command, invocation, true);
  command->callback([&invocation] { invocation.command = Command::MONITOR_READERS; });
}

void AddPublish(CLI::App& app, Invocation& invocation) {
  PublishOptions& publish = invocation.publish;
  CLI::App* command = app.add_subcommand("publish", "publish samples through a data writer of a participant file");
  command->add_option("-w,--writer", publish.writer, "the data writer's name in the participant file")->required();
  Repeatable(command->add_option("--json", publish.jsonTexts, "one sample as JSON text, {\"SampleData\": {...}} (repeatable)"));
  command->add_option("--jsonl", publish.jsonLinesPath, "a JSON Lines file of samples, - for standard input");
  Repeatable(command->add_option("--set", publish.fieldAssignments, "member=value of one sample, e.g. position.lat=51.9 (repeatable)"));
  command->add_flag("--report-unused", publish.reportUnusedFields, "refuse input members that the type does not have");
  command->add_option("--delay", publish.delaySeconds, "seconds to wait for readers before the first sample")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--interval", publish.intervalSeconds, "seconds between samples")->check(CLI::NonNegativeNumber);
  command->add_option("--linger", publish.lingerSeconds, "seconds to stay after the last sample")
      ->check(CLI::NonNegativeNumber);
  AddParticipantOptions(*command, invocation.common);
  AddXmlOption(*command, invocation.common);
  AddLogOptions(*command, invocation.common);
  command->callback([&invocation] { invocation.command = Command::PUBLISH; });
}

void AddTypes(CLI::App& app, Invocation& invocation) {
  CLI::App* command = app.add_subcommand("types", "list the types of the type files, or describe the named ones member by member");
  command->add_option("names", invocation.typeNames, "qualified type names to describe (none: list every type)");
  AddXmlOption(*command, invocation.common);
  AddFormatOptions(*command, invocation.output);
  AddLogOptions(*command, invocation.common);
  command->callback([&invocation] { invocation.command = Command::TYPES; });
}

}  // namespace

std::optional<Invocation> ParseCommandLine(int argc, char** argv, int& exitStatus) {
  Invocation invocation;
  CLI::App app{"veltrane: decode, monitor and publish DDS samples by the types of DDS XML type files"};
  app.set_version_flag("--version", "veltrane " + Veltrane::Version());
  app.require_subcommand(1);
  AddDissect(app, invocation);
  AddCapture(app, invocation);
  AddMonitor(app, invocation);
  AddMonitorReaders(app, invocation);
  AddPublish(app, invocation);
  AddTypes(app, invocation);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Help and version are "errors" with status 0; everything else is a usage error.
    exitStatus = app.exit(error) == 0 ? 0 : 2;
    return std::nullopt;
  }
  return invocation;
}

}  // namespace Quorvel::Cli
