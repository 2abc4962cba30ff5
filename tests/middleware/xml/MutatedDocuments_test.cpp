// Every attribute of a real type file, removed or given a hostile value, either loads or fails
// with std::runtime_error: no other exception, no crash.

#include "common/Log.h"
#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace Quorvel::xml::test {
namespace {

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

enum class Outcome { LOADED, REJECTED };

Outcome Load(const std::string& sensors, const std::string& geometry) {
    XmlTypeReader reader;
    try {
        reader.ReadText(geometry, TypesDir() / "geo", "geometry");
        reader.ReadText(sensors, TypesDir() / "sensors", "sensors");
        reader.BuildLibrary();
        return Outcome::LOADED;
    } catch (const std::runtime_error&) {
        return Outcome::REJECTED;
    }
}

TEST(MutatedDocuments, EveryAttributeRemovedOrSpoiledIsLoadedOrRejectedCleanly) {
    const std::string sensors = ReadText(TypesDir() / "sensors/sensors.xml");
    const std::string geometry = ReadText(TypesDir() / "geo/geometry.xml");
    ASSERT_EQ(Load(sensors, geometry), Outcome::LOADED);

    // Hundreds of rejections: keep their error records out of the test output.
    Log::SetThreshold(LogSeverityLevel::FATAL);
    const std::regex attribute(R"re(\s[A-Za-z]+="[^"]*")re");
    const std::string spoilers[] = {"", "-1", "0", "-2147483649", "99999999999999999999", "x", "::", "'", "default"};
    int rejected = 0;
    int variants = 0;
    for (auto it = std::sregex_iterator(sensors.begin(), sensors.end(), attribute); it != std::sregex_iterator(); ++it) {
        const auto at = static_cast<size_t>(it->position());
        const std::string original = it->str();
        const std::string name = original.substr(1, original.find('=') - 1);
        std::vector<std::string> replacements{""};
        for (const std::string& value : spoilers) replacements.push_back(" " + name + "=\"" + value + "\"");
        for (const std::string& replacement : replacements) {
            std::string mutated = sensors;
            mutated.replace(at, original.size(), replacement);
            ++variants;
            EXPECT_NO_THROW(rejected += Load(mutated, geometry) == Outcome::REJECTED) << replacement << " at " << at;
        }
    }
    Log::SetThreshold(LogSeverityLevel::TRACE);
    // Nearly every spoiled name, type, bound or label must be refused.
    EXPECT_GT(rejected, variants / 2) << rejected << " of " << variants;
}

}  // namespace
}  // namespace Quorvel::xml::test
