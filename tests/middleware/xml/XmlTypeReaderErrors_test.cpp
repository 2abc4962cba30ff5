// Every broken type file of tests/data/types/broken fails with a message that names the
// definition, the member and the file.

#include "middleware/xml/XmlTypeReader.h"
#include "middleware/xml/support/TypeExpectations.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace Quorvel::xml::test {
namespace {

std::string BrokenFile(const std::string& name) {
    return std::filesystem::weakly_canonical(TypesDir() / "broken" / name).string();
}

std::string LoadError(const std::function<void(XmlTypeReader&)>& load) {
    XmlTypeReader reader;
    try {
        load(reader);
        reader.BuildLibrary();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

std::string FileError(const std::string& name) {
    return LoadError([&](XmlTypeReader& reader) { reader.ReadFile(BrokenFile(name)); });
}

struct BrokenCase {
    std::string file;
    std::string message;  // "$" stands for the file's path
};

std::string Expand(std::string message, const std::string& path) {
    for (size_t at = message.find('$'); at != std::string::npos; at = message.find('$', at + path.size()))
        message.replace(at, 1, path);
    return message;
}

TEST(XmlTypeReaderErrors, EachBrokenFileFailsWithItsMessage) {
    const BrokenCase cases[] = {
        {"unknown_type.xml", "Unknown type 'Geo::Pointt' for member 'pos' of struct 'Geo::Track' in $"},
        {"unknown_basic_type.xml", "Unknown type 'int33' for member 'count' of struct 'Broken::Counter' in $"},
        {"unknown_const.xml", "Unknown const 'MAX_NAM' for member 'name' of struct 'Broken::Named' in $"},
        {"unknown_base.xml", "Unknown base type 'Missing' of struct 'Broken::Derived' in $"},
        {"circular.xml",
         "Circular type definition 'Broken::A -> Broken::B -> Broken::A' for member 'a' of struct 'Broken::B' in $"},
        {"circular_base.xml", "Circular type definition 'Broken::A -> Broken::B -> Broken::A' of struct 'Broken::B' in $"},
        {"circular_const.xml", "Circular const definition 'FIRST -> SECOND -> FIRST' of const 'SECOND' in $"},
        {"bad_extensibility.xml", "Invalid extensibility 'sealed' of struct 'Broken::Sealed' in $"},
        {"bad_bound.xml",
         "Invalid sequenceMaxLength '0' (0 is not within 1..4294967295) for member 'values' of struct 'Broken::Empty' in $"},
        {"bad_dimension.xml",
         "Invalid array dimension '0' in arrayDimensions '2,0' for member 'cells' of struct 'Broken::Flat' in $"},
        {"bad_number.xml", "Invalid number '12abc' for member 'text' of struct 'Broken::Typo' in $"},
        {"bad_label.xml", "Label 'PURPLE' is no enumerator of Broken::Color for member 'speed' of union 'Broken::Value' in $"},
        {"label_out_of_range.xml",
         "Label '256' is out of the range of discriminator type octet for member 'big' of union 'Broken::ByteChoice' in $"},
        {"bad_discriminator.xml",
         "Invalid definition (type Broken::FloatChoice: discriminator type float cannot select a union case) "
         "of union 'Broken::FloatChoice' in $"},
        {"case_without_label.xml",
         "Invalid definition (type Broken::Unlabelled: union case x has no label) of union 'Broken::Unlabelled' in $"},
        {"duplicate_type.xml", "Type 'Broken::Twice' is declared twice: in $ and in $"},
        {"duplicate_member.xml", "Invalid definition (type Broken::Dup: member x is declared twice) of struct 'Broken::Dup' in $"},
        {"missing_nonbasic_name.xml", "Missing nonBasicTypeName for member 'pos' of struct 'Broken::Vague' in $"},
        {"member_without_name.xml", "A <member> without a name of struct 'Broken::Anonymous' in $"},
        {"bad_key.xml", "Invalid key value 'yes' for member 'id' of struct 'Broken::Keyed' in $"},
        {"base_not_struct.xml",
         "Invalid definition (type Broken::Painted: base type Broken::Color is not a structure) of struct 'Broken::Painted' in $"},
        {"enum_implicit_collision.xml",
         "Invalid definition (type Broken::Mode: enumerator AUTO reuses value 1) of enum 'Broken::Mode' in $"},
        {"enum_value_too_large.xml",
         "Invalid value '2147483648' (2147483648 is not within -2147483648..2147483647) for member 'BIG' of enum "
         "'Broken::Huge' in $"},
        {"flag_beyond_bit_bound.xml",
         "Invalid definition (type Broken::Small: flag HIGH lies beyond the bit bound) of bitmask 'Broken::Small' in $"},
        {"map_member.xml", "Map members are not supported for member 'by_name' of struct 'Broken::Directory' in $"},
        {"module_without_name.xml", "A <module> at file level has no valid name attribute in $"},
        {"not_types.xml", "File $ is not a DDS type document: its root element is <profiles>, not <types> or <dds>"},
        {"syntax_error.xml", "XML syntax error in $ at line 6, offset 139: Start-end tags mismatch"},
        {"missing_include.xml",
         "Cannot read type file " + BrokenFile("nowhere/absent.xml") + " included from $"},
        {"includes_broken.xml", "XML syntax error in " + BrokenFile("syntax_error.xml") +
                                    " at line 6, offset 139: Start-end tags mismatch"},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(FileError(c.file), Expand(c.message, BrokenFile(c.file)));
    }
}

TEST(XmlTypeReaderErrors, MissingFileAndMalformedText) {
    const std::string absent = (TypesDir() / "absent.xml").string();
    EXPECT_EQ(LoadError([&](XmlTypeReader& r) { r.ReadFile(absent); }), "Cannot read type file " + absent);
    EXPECT_EQ(LoadError([&](XmlTypeReader& r) { r.ReadFile(TypesDir()); }),
              "Cannot read type file " + std::filesystem::weakly_canonical(TypesDir()).string());
    EXPECT_EQ(LoadError([](XmlTypeReader& r) { r.ReadText("<dds><types>\n<struct name=\"A\"></types>", "/", "profile"); }),
              "XML syntax error in profile at line 2, offset 32: Start-end tags mismatch");
    EXPECT_EQ(LoadError([](XmlTypeReader& r) { r.ReadText("<types><include/></types>", "/", "profile"); }),
              "An <include> without a file attribute in profile");
}

TEST(XmlTypeReaderErrors, AFailureLaterInTheSetDoesNotDependOnLoadOrder) {
    // The unknown type is found whichever file of the set is read first.
    const std::string expected =
        Expand("Unknown type 'Geo::Pointt' for member 'pos' of struct 'Geo::Track' in $", BrokenFile("unknown_type.xml"));
    EXPECT_EQ(LoadError([&](XmlTypeReader& r) {
                  r.ReadFile(BrokenFile("unknown_type.xml"));
                  r.ReadFile(TypesDir() / "common/base_types.xml");
              }),
              expected);
    EXPECT_EQ(LoadError([&](XmlTypeReader& r) {
                  r.ReadFile(TypesDir() / "common/base_types.xml");
                  r.ReadFile(BrokenFile("unknown_type.xml"));
              }),
              expected);
}

}  // namespace
}  // namespace Quorvel::xml::test
