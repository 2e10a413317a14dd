// The pieces of tessary-scale that are plain functions: output names, the progress text and
// the JSON writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "cli/json_writer.h"
#include "cli/name_text.h"
#include "cli/progress_line.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

// Names as messages show them, rows named by what is in the name: unchanged unless a
// character in it would act on the terminal, and then quoted as a POSIX shell reads it.
struct NameTextCase {
  const char* name;
  std::string input;
  const char* shown;    // NameText
  const char* quoted;   // QuotedNameText
  const char* escaped;  // ControlsEscaped
};
void PrintTo(const NameTextCase& row, std::ostream* os) {
  *os << row.name;
}

class NameTextTest : public ::testing::TestWithParam<NameTextCase> {};

TEST_P(NameTextTest, QuotesOnlyWhatWouldActOnTheTerminal) {
  EXPECT_EQ(cli::NameText(GetParam().input), GetParam().shown);
  EXPECT_EQ(cli::QuotedNameText(GetParam().input), GetParam().quoted);
  EXPECT_EQ(cli::ControlsEscaped(GetParam().input), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameTextTest,
    ::testing::Values(
        NameTextCase{"Plain", "m/crate.mdl", "m/crate.mdl", "'m/crate.mdl'", "m/crate.mdl"},
        NameTextCase{"Accented", "caf\xC3\xA9 \xE2\x82\xAC.mdl", "caf\xC3\xA9 \xE2\x82\xAC.mdl",
                     "'caf\xC3\xA9 \xE2\x82\xAC.mdl'", "caf\xC3\xA9 \xE2\x82\xAC.mdl"},
        NameTextCase{"Empty", "", "", "''", ""},
        NameTextCase{"LineFeed", "a\nb", "'a'$'\\n''b'", "'a'$'\\n''b'", "a$'\\n'b"},
        NameTextCase{"EraseLineAndReturn", "\x1b[2K\rx.mdl", "$'\\033''[2K'$'\\r''x.mdl'",
                     "$'\\033''[2K'$'\\r''x.mdl'", "$'\\033'[2K$'\\r'x.mdl"},
        NameTextCase{"ControlsTogetherAtTheEnd", "a\t\x7F", "'a'$'\\t\\177'", "'a'$'\\t\\177'",
                     "a$'\\t\\177'"},
        NameTextCase{"QuoteAndLineFeed", "it's\n", "'it'\\''s'$'\\n'", "'it'\\''s'$'\\n'",
                     "it's$'\\n'"},
        NameTextCase{"QuoteAlone", "it's", "it's", "'it'\\''s'", "it's"},
        NameTextCase{"C1ControlInUtf8",
                     "a\xC2\x9B"
                     "2K",
                     "'a'$'\\302\\233''2K'", "'a'$'\\302\\233''2K'", "a$'\\302\\233'2K"},
        NameTextCase{"ByteThatIsNotUtf8", "caf\xE9.mdl", "'caf'$'\\351''.mdl'",
                     "'caf'$'\\351''.mdl'", "caf$'\\351'.mdl"},
        NameTextCase{"OverlongSlash", "a\xC0\xAF", "'a'$'\\300\\257'", "'a'$'\\300\\257'",
                     "a$'\\300\\257'"},
        NameTextCase{"CutSequence", "a\xE2\x82", "'a'$'\\342\\202'", "'a'$'\\342\\202'",
                     "a$'\\342\\202'"},
        NameTextCase{"NulByte", std::string("a\0b", 3), "'a'$'\\000''b'", "'a'$'\\000''b'",
                     "a$'\\000'b"},
        // Shown as nothing, or turning what follows around, a name could read as another's.
        NameTextCase{"LineSeparator",
                     "a\xE2\x80\xA8"
                     "b",
                     "'a'$'\\342\\200\\250''b'", "'a'$'\\342\\200\\250''b'",
                     "a$'\\342\\200\\250'b"},
        NameTextCase{"RightToLeftOverride", "x\xE2\x80\xAEldm.exe",
                     "'x'$'\\342\\200\\256''ldm.exe'", "'x'$'\\342\\200\\256''ldm.exe'",
                     "x$'\\342\\200\\256'ldm.exe"},
        NameTextCase{"ZeroWidthSpace",
                     "a\xE2\x80\x8B"
                     "b",
                     "'a'$'\\342\\200\\213''b'", "'a'$'\\342\\200\\213''b'",
                     "a$'\\342\\200\\213'b"}),
    testing::RowName());

// Rows named by how far the work has come.
struct ProgressCase {
  const char* name;
  ProgressSnapshot snapshot;
  const char* text;
};
void PrintTo(const ProgressCase& row, std::ostream* os) {
  *os << row.name;
}

class ProgressTextTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTextTest, ShowsFilesBytesRateAndTimeLeft) {
  EXPECT_EQ(cli::ProgressText(GetParam().snapshot), GetParam().text);
}

constexpr std::uint64_t kMiB = 1 << 20;

INSTANTIATE_TEST_SUITE_P(
    Snapshots, ProgressTextTest,
    ::testing::Values(
        ProgressCase{"NothingYet", {0, 200, 0, 120 * kMiB, 0.0}, "0/200 files, 0.0 of 120.0 MiB"},
        ProgressCase{"HalfwayInTwoSeconds",
                     {100, 200, 60 * kMiB, 120 * kMiB, 2.0},
                     "100/200 files, 60.0 of 120.0 MiB, 30.0 MiB/s, 2 s left"},
        ProgressCase{"MinutesLeft",
                     {1, 3, 3 * kMiB, 3 * 1024 * kMiB, 1.0},
                     "1/3 files, 0.0 of 3.0 GiB, 3.0 MiB/s, 17:03 left"},
        ProgressCase{"HoursLeft",
                     {0, 1, 1024, 10 * 1024 * kMiB, 1.0},
                     "0/1 files, 0.0 of 10.0 GiB, 1.0 KiB/s, 2912:42:39 left"},
        ProgressCase{"SizeUnknown", {0, 1, 1536, 0, 0.5}, "0/1 files, 1.5 KiB, 3.0 KiB/s"},
        ProgressCase{
            "Bytes", {2, 2, 100, 100, 1.0}, "2/2 files, 100.0 of 100.0 B, 100.0 B/s, 0 s left"}),
    testing::RowName());

TEST(JsonWriter, PutsCommasAndEscapes) {
  cli::JsonWriter json;
  json.BeginObject();
  json.Key("a \"b\"\\");
  json.BeginArray();
  json.Number(1.5);
  json.Number(std::uint64_t{18446744073709551615u});
  json.String("tab\tnew\nline\x01");
  json.BeginObject();
  json.EndObject();
  json.Null();
  json.EndArray();
  json.Key("b");
  json.Number(-0.1);
  json.EndObject();
  EXPECT_EQ(json.text(),
            "{\"a \\\"b\\\"\\\\\":[1.5,18446744073709551615,\"tab\\tnew\\nline\\u0001\",{},null],"
            "\"b\":-0.1}");
}

TEST(JsonWriter, WritesNumbersWithoutAJsonFormAsNull) {
  cli::JsonWriter json;
  json.BeginArray();
  json.Number(std::numeric_limits<double>::infinity());
  json.Number(-std::numeric_limits<double>::infinity());
  json.Number(std::nan(""));
  json.Number(1e300);
  json.Number(5e-324);
  json.EndArray();
  EXPECT_EQ(json.text(), "[null,null,null,1e+300,5e-324]");
}

TEST(JsonWriter, KeepsUtf8AndReplacesOtherBytes) {
  cli::JsonWriter json;
  json.String("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x99\x82 \xE9 \xC0\xAF \xED\xA0\x80 \xF0\x9F");
  EXPECT_EQ(json.text(),
            "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x99\x82 \\ufffd \\ufffd\\ufffd "
            "\\ufffd\\ufffd\\ufffd \\ufffd\\ufffd\"");
}

}  // namespace
}  // namespace tessary
