// The log as written on disk: file names, record format, rotation, the verbosity filter, the
// middleware's files, and the factory's configuration rules around it.

#include "engine/support/LogDirectory.h"
#include "engine/support/Thrown.h"

#include "common/Log.h"
#include "engine/EngineFactory.h"
#include "engine/Logger.h"

#include <quorvel/Veltrane.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace Quorvel::Testing {
namespace {

namespace fs = std::filesystem;

constexpr LogSeverityLevel kLevels[] = {LogSeverityLevel::TRACE,   LogSeverityLevel::DEBUG,
                                        LogSeverityLevel::INFO,    LogSeverityLevel::WARNING,
                                        LogSeverityLevel::ERROR,   LogSeverityLevel::FATAL};
constexpr const char* kPrinted[] = {"trace", "debug", "info", "warning", "error", "fatal"};

std::vector<std::string> NamesMatching(const LogDirectory& log, const std::string& pattern) {
  const std::regex re(pattern);
  std::vector<std::string> names;
  for (const std::string& name : log.FileNames()) {
    if (std::regex_match(name, re)) names.push_back(name);
  }
  return names;
}

TEST(LogFiles, RecordFormatAndFileName) {
  LogDirectory log(LogSeverityLevel::TRACE);
  ExternalLogger::Log(LogSeverityLevel::ERROR, "x");
  ExternalLogger::Log(LogSeverityLevel::INFO, "second line");

  EXPECT_EQ(NamesMatching(log, R"(Quorvel\.VeltraneLog_.*)"),
            std::vector<std::string>{"Quorvel.VeltraneLog_0.log"});
  const std::regex record(
      R"(^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{6}\] \[0x[0-9a-f]+\] \[([a-z]+)\] \[(\d+)\] (.*)$)");
  const std::vector<std::string> lines = log.Lines();
  ASSERT_GE(lines.size(), 2u);
  std::smatch error, info;
  ASSERT_TRUE(std::regex_match(lines[lines.size() - 2], error, record)) << lines[lines.size() - 2];
  ASSERT_TRUE(std::regex_match(lines.back(), info, record)) << lines.back();
  EXPECT_EQ(error[1], "error");
  EXPECT_EQ(error[3], "x");
  EXPECT_EQ(info[1], "info");
  EXPECT_EQ(info[3], "second line");
  // Line ids count every record of the process, one by one.
  EXPECT_EQ(std::stoll(info[2]), std::stoll(error[2]) + 1);
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, record)) << line;
}

TEST(LogFiles, VerbosityFiltersBySeverity) {
  for (std::size_t verbosity = 0; verbosity < 6; ++verbosity) {
    SCOPED_TRACE(kPrinted[verbosity]);
    LogDirectory log(kLevels[verbosity]);
    for (std::size_t severity = 0; severity < 6; ++severity) {
      ExternalLogger::Log(kLevels[severity], std::string("external ") + kPrinted[severity]);
      LogAt(kLevels[severity], std::string("internal ") + kPrinted[severity]);
    }
    for (std::size_t severity = 0; severity < 6; ++severity) {
      const bool passes = severity >= verbosity;
      EXPECT_EQ(log.Contains(kPrinted[severity], std::string("external ") + kPrinted[severity]),
                passes);
      EXPECT_EQ(log.Contains(kPrinted[severity], std::string("internal ") + kPrinted[severity]),
                passes);
    }
  }
}

TEST(LogFiles, WarningVerbosityKeepsErrorsAndDropsLifecycleChatter) {
  LogDirectory log(LogSeverityLevel::WARNING);
  {
    Veltrane veltrane;
    EXPECT_THROW(veltrane.Run(), std::runtime_error);
    veltrane.Shutdown();
  }
  EXPECT_TRUE(log.Contains("error", "Engine is not initialized"));
  EXPECT_FALSE(log.ContainsMessage("Shutdown"));
  EXPECT_FALSE(log.ContainsMessage("Successfully configured Quorvel-Veltrane factory"));
  EXPECT_FALSE(Log::Enabled(LogSeverityLevel::INFO));
  EXPECT_TRUE(Log::Enabled(LogSeverityLevel::WARNING));
}

TEST(LogFiles, RotatesBySizeAndKeepsAtMostMaxFiles) {
  constexpr std::int64_t kMaxBytes = 2000;
  LogDirectory log(LogSeverityLevel::INFO, 3, kMaxBytes);
  const std::string padding(80, '.');
  for (int i = 0; i < 200; ++i) {
    ExternalLogger::Log(LogSeverityLevel::INFO, "record " + std::to_string(i) + " " + padding);
  }
  const std::vector<std::string> files = NamesMatching(log, R"(Quorvel\.VeltraneLog_\d+\.log)");
  // maxFiles rotated files are kept beside the one being written.
  ASSERT_EQ(files.size(), 4u);
  for (const std::string& name : files) {
    EXPECT_LE(fs::file_size(log.Path() / name), static_cast<std::uintmax_t>(kMaxBytes)) << name;
  }
  // The newest records survive, in order; the oldest were removed with their files.
  const std::vector<std::string> lines = log.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("record 199 "), std::string::npos);
  EXPECT_FALSE(log.ContainsMessage("record 0 " + padding));
  int previous = -1;
  const std::regex number(R"(record (\d+) )");
  for (const std::string& line : lines) {
    std::smatch match;
    if (!std::regex_search(line, match, number)) continue;
    const int current = std::stoi(match[1]);
    EXPECT_EQ(current, previous < 0 ? current : previous + 1);
    previous = current;
  }
}

TEST(LogFiles, DefaultSizeNeverRotates) {
  LogDirectory log(LogSeverityLevel::INFO, 1, -1);
  const std::string padding(200, '#');
  for (int i = 0; i < 500; ++i) ExternalLogger::Log(LogSeverityLevel::INFO, padding);
  EXPECT_EQ(NamesMatching(log, R"(Quorvel\.VeltraneLog_.*)"),
            std::vector<std::string>{"Quorvel.VeltraneLog_0.log"});
}

TEST(LogFiles, MiddlewareLogFilesAppearAtTraceOnly) {
  for (std::size_t verbosity = 0; verbosity < 6; ++verbosity) {
    SCOPED_TRACE(kPrinted[verbosity]);
    LogDirectory log(kLevels[verbosity], 2, 4096);
    const auto internal = NamesMatching(log, R"(DDSInternalLog.*\.log)");
    if (kLevels[verbosity] == LogSeverityLevel::TRACE) {
      EXPECT_EQ(internal, std::vector<std::string>{"DDSInternalLog0.log"});
      EXPECT_TRUE(log.Contains("debug", "InitConnextLogger"));
      EXPECT_TRUE(log.Contains("debug", "Logger initialized with verbosity level TRACE"));
    } else {
      EXPECT_TRUE(internal.empty());
    }
  }
}

TEST(LogFiles, EmptyDirectoryMeansTheWorkingDirectory) {
  TemporaryDirectory directory;
  const fs::path previous = fs::current_path();
  fs::current_path(directory.Path());
  Veltrane::FinalizeFactory();
  FactoryConfiguration configuration;  // INFO, loggingDir empty
  Veltrane::SetFactoryConfiguration(configuration);
  ExternalLogger::Log(LogSeverityLevel::WARNING, "into the working directory");
  Veltrane::FinalizeFactory();
  fs::current_path(previous);

  std::ifstream in(directory.Path() / "Quorvel.VeltraneLog_0.log");
  ASSERT_TRUE(in.good());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[warning]"), std::string::npos);
  EXPECT_NE(text.find("into the working directory"), std::string::npos);
  EXPECT_NE(text.find("Successfully configured Quorvel-Veltrane factory"), std::string::npos);
}

TEST(FactoryConfigurationRules, ConfiguredOnceWithBanner) {
  LogDirectory log(LogSeverityLevel::INFO);
  EXPECT_TRUE(EngineFactory::Instance().IsConfigured());
  EXPECT_TRUE(log.Contains("info", "Successfully configured Quorvel-Veltrane factory"));
  bool banner = false;
  for (const std::string& line : log.Lines()) {
    banner = banner || (line.find("4.6.1.5") != std::string::npos &&
                        line.find(" 2.1") != std::string::npos &&
                        line.size() > 15 && line.ends_with(" (+ extensions)"));
  }
  EXPECT_TRUE(banner);

  const std::string expected = "EngineFactory is already configured";
  EXPECT_EQ(Thrown<std::runtime_error>([] { Veltrane::SetFactoryConfiguration(FactoryConfiguration{}); }),
            expected);
  EXPECT_TRUE(log.Contains("error", "error in SetFactoryConfiguration : " + expected));
  EXPECT_EQ(EngineFactory::Instance().Configuration().logger.loggingDir, log.Path().string());
}

TEST(FactoryConfigurationRules, MissingLogDirectoryLeavesTheFactoryUnconfigured) {
  LogDirectory log(LogSeverityLevel::INFO);
  Veltrane::FinalizeFactory();
  Veltrane::FinalizeFactory();  // unconfigured: nothing happens
  EXPECT_FALSE(EngineFactory::Instance().IsConfigured());

  FactoryConfiguration configuration;
  configuration.logger.loggingDir = (log.Path() / "missing").string();
  const std::string expected =
      "Provided loggingDir doesn't exist: " + (log.Path() / "missing").string();
  EXPECT_EQ(Thrown<std::runtime_error>([&] { Veltrane::SetFactoryConfiguration(configuration); }),
            expected);
  EXPECT_FALSE(EngineFactory::Instance().IsConfigured());
  // The old sink still takes the report.
  EXPECT_TRUE(log.Contains("error", "error in SetFactoryConfiguration : " + expected));

  configuration.logger.loggingDir = log.Path().string();
  Veltrane::SetFactoryConfiguration(configuration);
  EXPECT_TRUE(EngineFactory::Instance().IsConfigured());
}

}  // namespace
}  // namespace Quorvel::Testing
