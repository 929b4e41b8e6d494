// jingle info, run as a program: what it prints for modules, and that damaged files never
// crash it.
#include <cstdio>
#include <map>
#include <sstream>

#include "tests/cli/jingle_run.h"
#include "tests/support/mod_s3m_writer.h"

namespace {

using InfoCommand = clitest::JingleTest;

// Everything the header holds, and the module's texts shown safely: control bytes (C0, DEL, C1)
// as '?', the rest read as Latin-1 and written as UTF-8, and in JSON escaped as JSON wants. The
// file name likewise, a byte that is no UTF-8 as U+FFFD; instruments with neither a name nor a
// sample are only counted; the patterns used are those the orders name.
TEST_F(InfoCommand, PrintsWhatTheModuleHoldsWithItsNamesMadeSafe) {
  xmtest::Module module;
  module.channels = 6;
  module.flags = 0;
  module.speed = 5;
  module.bpm = 140;
  module.orders = {0, 2, 1};
  module.restartPosition = 1;
  module.patterns.resize(4);
  xmtest::Instrument two = xmtest::simpleInstrument(std::vector<int>(1000, 1));
  two.samples.push_back(xmtest::sampleOf(std::vector<int>(500, 1), true));
  two.name = "a\x1b[2Jb\x7f";
  two.samples[0].name =
      "\x9b"
      "31mcaf\xe9";
  two.samples[1].name = "body";
  xmtest::Instrument empty;
  empty.name = "unused";
  module.name = "say \"hi\" \\ now";
  module.instruments = {two, empty, xmtest::simpleInstrument({}), {}, {}};
  const std::string file = writeModule("song\x1b[2J\xff.xm", module);
  const std::string shown = path("song?[2J\xef\xbf\xbd.xm");
  const clitest::Outcome run = jingle("info " + clitest::quoted(file));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "file: " + shown +
                "\n"
                "file size: 3,105 bytes\n"
                "format: XM\n"
                "title: say \"hi\" \\ now\n"
                "tracker: test writer\n"
                "channels: 6\n"
                "orders: 3\n"
                "restart order: 1\n"
                "patterns: 4 stored, 3 used\n"
                "instruments: 5 (2 empty)\n"
                "samples: 3\n"
                "frequency table: amiga\n"
                "speed: 5\n"
                "bpm: 140\n"
                "sample memory: 3,032 bytes\n"  // (1000 + 8) x 2 + (500 + 8) x 2; the empty none
                "duration: 0:17.154 (756,480 frames at 44,100 Hz)\n"  // 3 x 64 x 5 x 788 frames
                "instrument 1: a?[2Jb?\n"
                "instrument 1 sample 1: ?31mcaf\xc3\xa9\n"
                "instrument 1 sample 2: body\n"
                "instrument 2: unused\n"
                "instrument 3: \n"
                "instrument 3 sample 1: \n");
  const clitest::Outcome json = jingle("info --json " + clitest::quoted(file));
  ASSERT_EQ(json.exitCode, 0) << json.err;
  for (const std::string& field : std::vector<std::string>{
           "\"title\": \"say \\\"hi\\\" \\\\ now\",", "\"file\": \"" + shown + "\",",
           "{\"number\": 1, \"name\": \"a?[2Jb?\", \"samples\": [\"?31mcaf\xc3\xa9\", \"body\"]}",
           "\"instruments_empty\": 2,", "\"patterns_used\": 3,", "{\"number\": 3, \"name\": \"\""})
    EXPECT_NE(json.out.find(field), std::string::npos) << field << json.out;
  EXPECT_EQ(json.out.find_first_of("\x1b\xff"), std::string::npos);
}

// Several files: one report each, in order, a file that cannot be used reported on stderr in one
// line and the rest still shown; with --json an array of objects with the keys scripts look for.
TEST_F(InfoCommand, SeveralFilesGiveOneReportEach) {
  const std::string a = writeModule("a.xm", clitest::shortSong(4));
  const std::string b = writeModule("b.xm", clitest::shortSong(8));
  const std::string bad = write("bad.xm", {'x'});
  const clitest::Outcome text = jingle("info " + a + " " + bad + " " + b);
  EXPECT_EQ(text.exitCode, 2);
  EXPECT_EQ(text.errLines(), 1) << text.err;
  EXPECT_NE(text.err.find("bad.xm"), std::string::npos);
  const std::size_t first = text.out.find("file: " + a + "\n");
  const std::size_t second = text.out.find("\n\nfile: " + b + "\n");
  EXPECT_EQ(first, 0u) << text.out;
  EXPECT_NE(second, std::string::npos) << text.out;
  const clitest::Outcome json = jingle("info --json " + a + " " + b);
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.out.rfind("[\n  {\n", 0), 0u) << json.out;
  EXPECT_EQ(json.out.substr(json.out.size() - 6), "  }\n]\n") << json.out;
  EXPECT_NE(json.out.find("  },\n  {\n"), std::string::npos) << json.out;
  for (const char* key : {"title", "tracker", "channels", "orders", "patterns", "instruments",
                          "samples", "frames", "duration_seconds", "file_size"})
    EXPECT_NE(json.out.find(std::string("\"") + key + "\": "), std::string::npos) << key;
  EXPECT_NE(json.out.find("\"frames\": 21168,"), std::string::npos);  // 4 rows x 6 x 882
  EXPECT_NE(json.out.find("\"frames\": 42336,"), std::string::npos);
  EXPECT_NE(json.out.find("\"duration_seconds\": 0.960,"), std::string::npos);
}

// Counts the player reads as signed 16-bit values, and so as none when the top bit is set, are
// shown as the file holds them.
TEST_F(InfoCommand, CountsWithTheTopBitSetAreShownAsStored) {
  xmtest::Module module;
  module.channels = 0xFFFF;
  module.songLength = 0x8000;
  module.instrumentCount = 0x9000;
  module.speed = 0xFFFE;
  module.bpm = 0x8001;
  module.patterns.resize(1);
  const clitest::Outcome run = jingle("info " + writeModule("signed.xm", module));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* line : {"channels: 65,535\n", "orders: 32,768\n", "instruments: 36,864\n",
                           "speed: 65,534\n", "bpm: 32,769\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
  EXPECT_EQ(run.out.find(": -"), std::string::npos) << run.out;
}

}  // namespace

// MOD and S3M: the format, the tracker their markers name, their samples by name, and what the
// player leaves out; the name of the file has no say.
TEST_F(InfoCommand, NamesTheFormatTrackerAndSamplesOfEveryFormat) {
  modtest::Module mod;
  mod.samples.resize(2);
  mod.samples[1].name = "bass";
  modtest::put(mod, 0, 0, 0, {428, 2});
  s3mtest::Module s3m;
  s3m.tracker = 0x1321;
  s3m.samples.resize(2);
  s3m.samples[0].name = "lead";
  s3m.samples[1].type = 2;
  const struct {
    std::string file;
    std::vector<std::string> lines;
  } cases[] = {
      {write("mod.xm", modtest::writeMod(mod)),
       {"format: MOD", "tracker: ProTracker", "sample 2: bass", "sample 31: "}},
      {write("s3m.mod", s3mtest::writeS3m(s3m)),
       {"format: S3M", "tracker: Scream Tracker 3.21", "sample 1: lead",
        "note: 1 AdLib instrument played silent"}},
  };
  for (const auto& c : cases) {
    const clitest::Outcome run = jingle("info " + c.file);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& line : c.lines)
      EXPECT_NE(run.out.find("\n" + line + "\n"), std::string::npos) << line << run.out;
  }
}
