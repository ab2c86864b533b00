// Job-options files: the keys of the export read into settings and the others kept, the syntax as
// far as it goes, an error with the line for what it does not allow, and settings written out that
// read back equal.
#include <gtest/gtest.h>

#include <string>

#include "ExportSettings.h"
#include "HostFixtures.h"
#include "JobOptionsError.h"
#include "JobOptionsValue.h"
#include "TempFolder.h"

namespace
{
using namespace indesignhost;

constexpr char cProofA[] = R"(%!PS job options of the Sendrixor "Proof A"
<<
/Name (Proof A \(press\))
/ExportSpreads true
/UseDocumentBleed false
/BleedTop 8.5 /BleedBottom 9 /BleedInside 0 /BleedOutside 7.25
/IncludeSlug true
/CropMarks true /BleedMarks false /RegistrationMarks true /ColorBars false /PageInformation true
/MarkWeight 0.125
/MarkOffset 12   % points from the bleed
/CompatibilityLevel 1.4
/ColorImageDict << /QFactor 0.15 /HSamples [1 1 1 1] >>
/CheckCompliance [ /None ]
/Description << /ENU (Press quality, 100% checked) >>
>>
)";

TEST(JobOptionsTest, ReadsTheKeysOfTheExportAndKeepsTheOthers)
{
    testsupport::TempFolder folder;
    ExportSettings const settings =
        ReadJobOptions(hostfilestest::WriteFile(folder / "Proof A.joboptions", cProofA));
    EXPECT_EQ("Proof A (press)", settings.name);
    EXPECT_TRUE(settings.spreads);
    EXPECT_FALSE(settings.useDocumentBleed);
    EXPECT_EQ(8.5, settings.bleedTop);
    EXPECT_EQ(9, settings.bleedBottom);
    EXPECT_EQ(0, settings.bleedInside);
    EXPECT_EQ(7.25, settings.bleedOutside);
    EXPECT_TRUE(settings.includeSlug);
    EXPECT_TRUE(settings.cropMarks);
    EXPECT_FALSE(settings.bleedMarks);
    EXPECT_TRUE(settings.registrationMarks);
    EXPECT_FALSE(settings.colorBars);
    EXPECT_TRUE(settings.pageInformation);
    EXPECT_EQ(0.125, settings.markWeight);
    EXPECT_EQ(12, settings.markOffset);
    std::map<std::string, std::string> const others = {
        {"CompatibilityLevel", "1.4"},
        {"ColorImageDict", "<< /QFactor 0.15 /HSamples [1 1 1 1] >>"},
        {"CheckCompliance", "[/None]"},
        {"Description", "<< /ENU (Press quality, 100% checked) >>"}};
    EXPECT_EQ(others, settings.otherKeys);
}

TEST(JobOptionsTest, LeavesTheDefaultsForKeysNotGiven)
{
    ExportSettings const settings = ReadJobOptionsText("<< >>", "empty.joboptions");
    EXPECT_EQ(ExportSettings(), settings);
    EXPECT_EQ(0.25, settings.markWeight);
    EXPECT_EQ(6, settings.markOffset);
    EXPECT_FALSE(settings.AnyMarks());
}

TEST(JobOptionsTest, ReadsStringsAndNumbersAsPostScriptWritesThem)
{
    struct Value
    {
        char const* written;
        char const* name;
    };
    Value const strings[] = {
        {"(plain)", "plain"},
        {"(a\\nb\\rc\\td\\be\\ff)", "a\nb\rc\td\be\ff"},
        {"(\\101\\102C)", "ABC"},
        {"(\\0618)", "18"},
        {"(\\7)", "\x07"},
        {"(nested (balanced (parens)) kept)", "nested (balanced (parens)) kept"},
        {"(\\(\\)\\\\)", "()\\"},
        {"(joined \\\nline)", "joined line"},
        {"(joined \\\r\nline)", "joined line"},
        {"(unknown \\q escape)", "unknown q escape"},
        {"(50% kept)", "50% kept"},
        {"(raw\nline)", "raw\nline"},
        {"(caf\xC3\xA9)", "caf\xC3\xA9"},
        {"()", ""},
    };
    for (Value const& value : strings)
    {
        SCOPED_TRACE(value.written);
        EXPECT_EQ(value.name, ReadJobOptionsText(std::string("<</Name ") + value.written + ">>", "t").name);
    }
    struct Number
    {
        char const* written;
        double value;
    };
    Number const numbers[] = {{"12", 12},  {"+12.5", 12.5},  {".5", 0.5}, {"5.", 5},
                              {"1e1", 10}, {"2.5E-1", 0.25}, {"-0", 0},   {"0072", 72}};
    for (Number const& number : numbers)
    {
        SCOPED_TRACE(number.written);
        EXPECT_EQ(
            number.value,
            ReadJobOptionsText(std::string("<< /MarkOffset ") + number.written + " >>", "t").markOffset);
    }
    // A key given twice counts with its last value, in whatever whitespace and comments.
    ExportSettings const twice =
        ReadJobOptionsText("<</MarkOffset 3%first\n/MarkOffset\t4\f/CropMarks true/CropMarks false>>", "t");
    EXPECT_EQ(4, twice.markOffset);
    EXPECT_FALSE(twice.cropMarks);
}

struct BadOptions
{
    char const* text;
    int line;
    char const* detail;
};

void ExpectError(BadOptions const& bad)
{
    SCOPED_TRACE(bad.text);
    try
    {
        ReadJobOptionsText(bad.text, "Proof.joboptions");
        ADD_FAILURE() << "read without an error";
    }
    catch (JobOptionsError const& error)
    {
        EXPECT_EQ(bad.line, error.Line());
        EXPECT_EQ("Proof.joboptions:" + std::to_string(bad.line) + ": " + error.Detail(), error.what());
        EXPECT_NE(std::string::npos, error.Detail().find(bad.detail)) << error.what();
    }
}

TEST(JobOptionsTest, RejectsWhatItsSyntaxDoesNotAllowWithTheLine)
{
    BadOptions const cases[] = {
        {"", 1, "no dictionary"},
        {"% only a comment\n", 2, "no dictionary"},
        {"/Name (x)", 1, "starts with a dictionary"},
        {"<<\n/Name (x\n>>\n", 2, "string that starts here is not closed"},
        {"<<\n/A [1 2\n", 2, "array that starts here is not closed"},
        {"<<\n/A 1\n", 1, "dictionary that starts here is not closed"},
        {"<< /A >>", 1, "/A has no value"},
        {"<< A 1 >>", 1, "a key"},
        {"<< /A 1 2 >>", 1, "a key"},
        {"<< /A 1x >>", 1, "neither a number nor true or false"},
        {"<< /A True >>", 1, "neither a number nor true or false"},
        {"<< /A 1e >>", 1, "neither a number"},
        {"<< /A 16#FF >>", 1, "neither a number"},
        {"<< /A <41> >>", 1, "hexadecimal"},
        {"<< /A {1} >>", 1, "procedures"},
        {"<< /A 1 >> setdistillerparams", 1, "nothing may follow"},
        {"<< /A 1e999 >>", 1, "out of range"},
        {"<<\n\n/A / >>", 3, "at least one character"},
        {"<< /A ) >>", 1, "stands where a value should be"},
        {"<<\r\n/A\r\n)>>", 3, "stands where a value should be"},
        {"<<\r/A\r)>>", 3, "stands where a value should be"},
        {"<< /A [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[ >>", 1,
         "nested more than"},
    };
    for (BadOptions const& bad : cases)
        ExpectError(bad);
}

TEST(JobOptionsTest, RejectsAKeyOfTheExportWithAValueOfTheWrongKindOrRange)
{
    BadOptions const cases[] = {
        {"<<\n/ExportSpreads 1\n>>", 2, "/ExportSpreads must be true or false, not a number"},
        {"<< /CropMarks [true] >>", 1, "/CropMarks must be true or false, not an array"},
        {"<<\n\n/BleedTop (8)>>", 3, "/BleedTop must be a number, not a string"},
        {"<< /Name /Proof >>", 1, "/Name must be a string in parentheses, not a name"},
        {"<< /MarkWeight 0 >>", 1, "/MarkWeight must be above 0"},
        {"<< /MarkWeight 10.5 >>", 1, "at most 10"},
        {"<< /BleedOutside 433 >>", 1, "/BleedOutside must be at least 0 and at most 432"},
        {"<< /BleedInside -0.5 >>", 1, "not -0.5"},
        {"<< /MarkOffset 73 >>", 1, "/MarkOffset must be at least 0 and at most 72"},
    };
    for (BadOptions const& bad : cases)
        ExpectError(bad);
}

TEST(JobOptionsTest, WritesSettingsThatReadBackEqual)
{
    ExportSettings everything;
    everything.spreads = everything.useDocumentBleed = everything.includeSlug = true;
    everything.cropMarks = everything.bleedMarks = everything.registrationMarks = true;
    everything.colorBars = everything.pageInformation = true;
    everything.bleedTop = 1.0 / 3;
    everything.bleedBottom = 432;
    everything.bleedInside = 0.1;
    everything.bleedOutside = 1e-9;
    everything.markWeight = 0.125;
    everything.markOffset = 72;
    everything.name = "Proof (A) ) unbalanced ( \\ 100% \t\r\n\x01\x7F caf\xC3\xA9 \xFF";
    everything.otherKeys = {
        {"CompatibilityLevel", "1.4"}, {"Nested", "<< /A [1 (x) /y << >>] /B true >>"}, {"Text", "(a\\)b)"}};
    ExportSettings named;
    named.name = "Proof A";
    ExportSettings const cases[] = {ExportSettings(), everything, named};
    for (ExportSettings const& settings : cases)
    {
        std::string const text = WriteJobOptions(settings);
        SCOPED_TRACE(text);
        ExportSettings const back = ReadJobOptionsText(text, "written");
        EXPECT_EQ(settings, back);
        EXPECT_EQ(text, WriteJobOptions(back));
    }
    // A kept key that shares a name with a key of the export gives way to the field.
    ExportSettings clash;
    clash.otherKeys["CropMarks"] = "(yes)";
    clash.cropMarks = true;
    ExportSettings const back = ReadJobOptionsText(WriteJobOptions(clash), "written");
    EXPECT_TRUE(back.cropMarks);
    EXPECT_TRUE(back.otherKeys.empty());
}

TEST(JobOptionsValueTest, KeepsTheTreeWithTheLineOfEachValue)
{
    JobOptionsValue const root = ParseJobOptionsText("<<\n/A [1 /n\n(s)]\n/B << /C true >>\n/A 2\n>>", "t");
    ASSERT_EQ(JobOptionsValue::Kind::Dictionary, root.kind);
    ASSERT_EQ(std::vector<std::string>({"A", "B", "A"}), root.keys);
    JobOptionsValue const& array = root.items[0];
    ASSERT_EQ(JobOptionsValue::Kind::Array, array.kind);
    ASSERT_EQ(3u, array.items.size());
    EXPECT_EQ(JobOptionsValue::Kind::Number, array.items[0].kind);
    EXPECT_EQ(JobOptionsValue::Kind::Name, array.items[1].kind);
    EXPECT_EQ("n", array.items[1].text);
    EXPECT_EQ(JobOptionsValue::Kind::String, array.items[2].kind);
    EXPECT_EQ(3, array.items[2].line);
    EXPECT_EQ(4, root.items[1].line);
    EXPECT_TRUE(root.items[1].Find("C")->boolean);
    // The last of a repeated key counts.
    EXPECT_EQ("2", root.Find("A")->text);
    EXPECT_EQ(nullptr, root.Find("D"));
    EXPECT_EQ("<< /A [1 /n (s)] /B << /C true >> /A 2 >>", root.Text());
}
} // namespace
