// What jingle render does to the files around it: it writes a new file beside the output and puts
// it in place only when the render is complete, so a failure, a signal or the file-size limit
// leaves whatever was at the output as it was, and jingle removes nothing it did not create. An
// output that is the module itself is refused before anything is written. Everything happens in
// the test's own directory (a device node of its own included).
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>

#include "tests/cli/jingle_run.h"
#include "tests/support/hostile_modules.h"

namespace {

namespace fs = std::filesystem;

class RenderOutput : public clitest::JingleTest {
 protected:
  // Runs a shell script in the test's directory, with $J naming jingle; the exit code the
  // script writes to the file "code", or -1.
  int script(const std::string& text) const {
    const std::string command = "cd " + clitest::quoted(dir_.string()) +
                                " && J=" + clitest::quoted(JINGLE_BINARY) + " && { " + text +
                                "; } </dev/null >/dev/null 2>&1";
    std::system(command.c_str());
    const std::string code = clitest::readText(path("code"));
    fs::remove(path("code"));
    return code.empty() ? -1 : std::stoi(code);
  }
  // The names in the test's directory, apart from the ones the test made.
  std::vector<std::string> leftovers(const std::vector<std::string>& made) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (std::find(made.begin(), made.end(), name) == made.end()) names.push_back(name);
    }
    return names;
  }
  std::ptrdiff_t lines(const std::string& name) const {
    const std::string text = clitest::readText(path(name));
    return std::count(text.begin(), text.end(), '\n');
  }
};

TEST_F(RenderOutput, AnOutputThatIsTheModuleIsRefusedBeforeAnythingIsWritten) {
  const std::vector<std::uint8_t> bytes = xmtest::writeXm(clitest::shortSong());
  const std::string song = write("song.wav", bytes);
  fs::create_hard_link(song, path("hard.wav"));
  fs::create_symlink("song.wav", path("soft.wav"));
  const std::vector<std::string> made{"song.wav", "hard.wav", "soft.wav", "err"};
  for (const std::string arguments :
       {"song.wav", "song.wav -o song.wav", "song.wav -o ./song.wav", "song.wav -o hard.wav",
        "song.wav -o soft.wav", "soft.wav -o song.wav"}) {
    SCOPED_TRACE(arguments);
    EXPECT_EQ(script("$J render " + arguments + " 2>err; echo $? >code"), 2);
    const std::string err = clitest::readText(path("err"));
    EXPECT_EQ(lines("err"), 1) << err;
    EXPECT_NE(err.find("is the module being rendered"), std::string::npos) << err;
    EXPECT_EQ(xmtest::readFile(song), bytes);
    EXPECT_TRUE(fs::is_symlink(path("soft.wav")));
    EXPECT_EQ(leftovers(made), std::vector<std::string>{});
  }
}

// A write that fails, a stop signal in the middle of a render and the file-size limit all end
// the render with exit code 1 and one line, and leave the existing output untouched, a symbolic
// link to it too, with no new file left behind.
TEST_F(RenderOutput, AFailedOrStoppedRenderLeavesTheOutputAsItWas) {
  writeModule("tune.xm", clitest::shortSong(64));          // 1.3 MB of WAV
  writeModule("storm.xm", xmtest::loopStormModule(8, 1));  // minutes to render an hour of
  const std::string long_render =
      "$J render storm.xm --seconds 3600 -o link.wav 2>err & pid=$!; "
      "i=0; while [ $i -lt 1000 ] && ! ls .out.wav.jingle-* "
      ">/dev/null 2>&1; do sleep 0.01; i=$((i+1)); done; ";
  struct Case {
    const char* name;
    std::string script;
  } const cases[] = {
      {"SIGINT", long_render + "kill -INT $pid; wait $pid; echo $? >code"},
      {"SIGTERM", long_render + "kill -TERM $pid; wait $pid; echo $? >code"},
      {"file-size limit", "(ulimit -f 64; $J render tune.xm -o link.wav 2>err; echo $? >code)"},
  };
  const std::vector<std::string> made{"tune.xm", "storm.xm", "out.wav", "link.wav",
                                      "err",     "stdout",   "stderr"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("out.wav", {'k', 'e', 'e', 'p'});
    fs::remove(path("link.wav"));
    fs::create_symlink("out.wav", path("link.wav"));
    EXPECT_EQ(script(c.script), 1);
    EXPECT_EQ(lines("err"), 1) << clitest::readText(path("err"));
    EXPECT_EQ(clitest::readText(path("out.wav")), "keep");
    EXPECT_TRUE(fs::is_symlink(path("link.wav")));
    EXPECT_EQ(leftovers(made), std::vector<std::string>{});
  }
  // Complete, the render replaces the file the link leads to, and the link stays.
  EXPECT_EQ(script("$J render tune.xm -o link.wav; echo $? >code"), 0);
  EXPECT_TRUE(fs::is_symlink(path("link.wav")));
  EXPECT_EQ(fs::file_size(path("out.wav")), 44u + 64 * 6 * 882 * 4);
}

TEST_F(RenderOutput, OutputsThatCannotBeWrittenAreLeftAsTheyAre) {
  const std::string module = writeModule("tune.xm", clitest::shortSong());
  write("plain", {});
  std::vector<std::string> outputs{path("no-such-dir/out.wav"), path("plain/out.wav")};
  // A full device of the test's own, where the rights to make one are had (as root).
  const bool device = ::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
  if (device) {
    fs::create_symlink("full", path("full-link"));
    outputs.insert(outputs.end(), {path("full"), path("full-link")});
  }
  for (const std::string& output : outputs) {
    SCOPED_TRACE(output);
    EXPECT_TRUE(clitest::refused(jingle("render " + module + " -o " + output), 1, output));
    if (device) {
      EXPECT_TRUE(fs::is_character_file(path("full")));
      EXPECT_TRUE(fs::is_symlink(path("full-link")));
    }
    EXPECT_EQ(leftovers({"tune.xm", "plain", "full", "full-link", "stdout", "stderr"}),
              std::vector<std::string>{});
  }
}

TEST_F(RenderOutput, AClosedPipeEndsTheRenderWithOneLine) {
  writeModule("tune.xm", clitest::shortSong(64));
  EXPECT_EQ(script("($J render tune.xm --raw -o - 2>err; echo $? >code) | head -c 100"), 1);
  EXPECT_EQ(lines("err"), 1) << clitest::readText(path("err"));
}

}  // namespace
