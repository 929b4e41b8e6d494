// Files the commands cannot use: info, render and play all exit with code 2 and give the same
// single line saying why.
#include <filesystem>
#include <fstream>

#include "tests/cli/jingle_run.h"
#include "tests/support/hostile_modules.h"

namespace {

using BadInput = clitest::JingleTest;

// Play runs on a device without sound and cannot outlast a broken option check.
const std::string PLAY_PREFIX = "SDL_AUDIODRIVER=dummy timeout 20";

TEST_F(BadInput, FilesThatCannotBeUsedAreRefusedAlikeByEveryCommand) {
  xmtest::Module wide;
  wide.channels = 40;
  const std::string locked = writeModule("locked.xm", xmtest::Module{});
  // Damaged beyond use: cut within the song header, or a header size that points past the end.
  const std::vector<std::uint8_t> song = xmtest::writeXm(clitest::shortSong());
  std::vector<std::uint8_t> pastTheEnd = song;
  pastTheEnd[60] = 0xF0;  // the header's size, 0xFFFFFFF0
  std::fill(pastTheEnd.begin() + 61, pastTheEnd.begin() + 64, 0xFF);
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  struct Case {
    std::string path, reason;
  } const cases[] = {
      {path("missing.xm"), "missing.xm: cannot be read: no such file"},
      {dir_.string(), "cannot be read: it is a directory"},
      {locked, "cannot be read: permission denied"},
      {write("empty.xm", {}), "not a module (the file is empty)"},
      {write("text.xm", {'h', 'e', 'l', 'l', 'o'}), "not a module (5 bytes"},
      // What the loader says, as the library's result gives it, passes through unchanged.
      {writeModule("wide.xm", wide), "wide.xm: has 40 channels (at most 32 are supported)"},
      {write("header.xm", pastTheEnd), "and nothing playable remains"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    if (c.path == locked && std::ifstream(locked).good()) continue;  // rights that read any file
    const std::string file = clitest::quoted(c.path);
    const clitest::Outcome info = jingle("info " + file);
    EXPECT_TRUE(clitest::refused(info, 2, c.reason));
    if (c.path == dir_.string()) continue;  // render and play take a folder as a list

    const clitest::Outcome render = jingle("render " + file + " -o " + path("out.wav"));
    EXPECT_EQ(render.exitCode, 2);
    EXPECT_EQ(render.err, info.err);
    EXPECT_FALSE(std::filesystem::exists(path("out.wav")));
    for (const std::string& play : {"play " + file, file}) {  // play is also the default
      const clitest::Outcome run = jingle(play, PLAY_PREFIX);
      EXPECT_EQ(run.exitCode, 2) << play;
      EXPECT_EQ(run.err, info.err) << play;
    }
  }
}

// A file cut short that still holds a note and some of its sample is played and rendered for what
// remains, with one line saying what is missing; info shows the same, and JSON the counts.
TEST_F(BadInput, ADamagedModuleIsUsedForWhatRemainsWithOneLineSayingWhatIsMissing) {
  const std::vector<std::uint8_t> whole = xmtest::writeXm(clitest::shortSong());
  const std::string file = write("cut.xm", {whole.begin(), whole.end() - 1000});
  const std::string says = "cut.xm: damaged: the file ends at byte " +
                           std::to_string(whole.size() - 1000) +
                           ", before what its headers describe; missing or incomplete: 1 sample\n";
  for (const std::string& command : {"render " + file + " -o " + path("out.wav"), "play " + file}) {
    const clitest::Outcome run = jingle(command, PLAY_PREFIX);
    EXPECT_EQ(run.exitCode, 0) << command;
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
  }
  EXPECT_NE(clitest::readText(path("out.wav")).find_first_not_of('\0', 44), std::string::npos);
  const clitest::Outcome info = jingle("info " + file);
  EXPECT_NE(info.out.find("\ndamage: " + says.substr(says.find("the file"))), std::string::npos)
      << info.out;
  EXPECT_NE(jingle("info --json " + file)
                .out.find("\"damage\": {\"file_ends_at\": " + std::to_string(whole.size() - 1000) +
                          ", \"patterns_missing\": 0, \"instruments_missing\": 0, "
                          "\"samples_missing\": 1},"),
            std::string::npos);
}

// Files far larger than any module are judged by their first bytes and their size without being
// read; with too little memory to hold a file, the command says so instead of aborting. The
// large files are sparse: they take no room on the disk.
TEST_F(BadInput, LargeFilesAreRefusedUnreadAndAFileBeyondTheMemoryIsSaidToBe) {
  const std::vector<std::uint8_t> head = xmtest::writeXm(xmtest::Module{});
  const std::string noise = write("noise.bin", {'R', 'I', 'F', 'F'});
  std::filesystem::resize_file(noise, std::uint64_t{1} << 30);
  const std::string huge = write("huge.xm", head);
  std::filesystem::resize_file(huge, std::uint64_t{1} << 30);
  const std::string big = write("big.xm", head);
  std::filesystem::resize_file(big, std::uint64_t{200} << 20);
  struct Case {
    std::string file, reason, limit;  // limit: a ulimit on the command's memory, or none
  };
  std::vector<Case> cases = {
      {noise, "too large to be a module (1,073,741,824 bytes, at most 268,435,456)", ""},
      {huge, "too large to be a module (1,073,741,824 bytes, at most 268,435,456)", ""},
  };
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // A sanitizer's shadow memory needs more address space than these limits leave.
  cases.push_back({noise, "too large to be a module", "ulimit -v 100000;"});
  cases.push_back({big, "not enough memory", "ulimit -v 150000;"});
  // A small file that asks for exactly as many pattern cells as a song may have fits in 150 MB.
  xmtest::Module cells = xmtest::tallPatternsModule();
  for (xmtest::Pattern& pattern : cells.patterns)
    pattern.rows = 2048;
  const std::string most = writeModule("most.xm", cells);
  for (const std::string& command : {"info " + most, "render --seconds 1 -o - " + most})
    EXPECT_EQ(jingle(command, "ulimit -v 150000;").exitCode, 0) << command;
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + c.limit);
    EXPECT_TRUE(clitest::refused(jingle("info " + c.file, c.limit), 2, c.reason));
  }
}

}  // namespace
