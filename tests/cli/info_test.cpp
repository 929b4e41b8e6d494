// jingle info, run as a program: what it prints for modules, and the one line and exit code 2
// for files it cannot use.
#if defined(JINGLE_BINARY) && !defined(_WIN32)

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/xm_writer.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int exitCode = -1;  // -1 when the program did not exit normally (a crash)
  std::string out, err;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A scratch directory per test, removed afterwards.
class InfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("jingle_info_" + std::to_string(::getpid()) + "_" + test->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code error;
    fs::permissions(dir_ / "locked.xm", fs::perms::owner_all, error);
    fs::remove_all(dir_, error);
  }

  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  ProgramRun info(const std::vector<std::string>& args) {
    std::string command = "'" JINGLE_BINARY "' info";
    for (const std::string& arg : args)
      command += " '" + arg + "'";
    command += " >'" + (dir_ / "out").string() + "' 2>'" + (dir_ / "err").string() + "'";
    const int status = std::system(command.c_str());
    ProgramRun run;
    if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = slurp(dir_ / "out");
    run.err = slurp(dir_ / "err");
    return run;
  }

  // The "label: value" lines of a successful run.
  std::map<std::string, std::string> facts(const ProgramRun& run) {
    std::map<std::string, std::string> result;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t colon = line.find(": ");
      EXPECT_NE(colon, std::string::npos) << line;
      if (colon != std::string::npos) result[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return result;
  }

  // A refusal: exit code 2, nothing on stdout, exactly one line on stderr.
  void expectRefused(const ProgramRun& run, const std::string& reason) {
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }

  fs::path dir_;
};

TEST_F(InfoTest, PrintsWhatTheModuleHolds) {
  xmtest::Module module;
  module.channels = 6;
  module.flags = 0;
  module.speed = 5;
  module.bpm = 140;
  module.orders = {0, 2, 1};
  module.restartPosition = 1;
  module.patterns.resize(2);
  xmtest::Instrument two = xmtest::simpleInstrument(std::vector<int>(1000, 1));
  two.samples.push_back(xmtest::sampleOf(std::vector<int>(500, 1), true));
  module.instruments = {two, xmtest::Instrument{}, xmtest::simpleInstrument({})};
  const ProgramRun run = info({write("song.xm", xmtest::writeXm(module))});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "channels: 6\n"
            "song length: 3\n"
            "restart position: 1\n"
            "patterns: 2 in header, 3 slots\n"
            "instruments: 3\n"
            "samples: 3\n"
            "frequency table: amiga\n"
            "speed: 5\n"
            "bpm: 140\n"
            "sample memory: 3,032 bytes\n"  // (1000 + 8) x 2 + (500 + 8) x 2; the empty one none
            "duration: 0:17.154 (756480 frames)\n");  // 3 x 64 rows x 5 ticks x 788 frames
}

TEST_F(InfoTest, CorpusModulesShowTheirHeaderCounts) {
  const std::vector<std::string> paths = xmtest::corpusModules();
  if (paths.empty()) GTEST_SKIP() << "no corpus modules";
  for (const std::string& path : paths) {
    const std::vector<std::uint8_t> file = xmtest::readFile(path);
    ASSERT_GT(file.size(), 80u);
    auto u16 = [&](std::size_t at) { return std::to_string(file[at] | file[at + 1] << 8); };
    const ProgramRun run = info({path});
    ASSERT_EQ(run.exitCode, 0) << path << ": " << run.err;
    std::map<std::string, std::string> shown = facts(run);
    EXPECT_EQ(shown["channels"], u16(68)) << path;
    EXPECT_EQ(shown["patterns"].substr(0, shown["patterns"].find(' ')), u16(70)) << path;
    EXPECT_EQ(shown["instruments"], u16(72)) << path;
    EXPECT_EQ(shown["frequency table"], (file[74] & 1) != 0 ? "linear" : "amiga") << path;
  }
}

TEST_F(InfoTest, FilesThatCannotBeReadSayWhy) {
  expectRefused(info({(dir_ / "missing.xm").string()}), "missing.xm: cannot be read: no such file");
  expectRefused(info({dir_.string()}), "cannot be read: it is a directory");
  const std::string locked = write("locked.xm", xmtest::writeXm(xmtest::Module{}));
  fs::permissions(locked, fs::perms::none);
  if (std::ifstream(locked).good()) GTEST_SKIP() << "running with rights that read any file";
  expectRefused(info({locked}), "cannot be read: permission denied");
}

TEST_F(InfoTest, ModulesThePlayerCannotPlaySayWhy) {
  expectRefused(info({write("empty.xm", {})}), "not an XM module");
  expectRefused(info({write("text.xm", {'h', 'e', 'l', 'l', 'o'})}), "not an XM module");

  xmtest::Module module;
  module.channels = 40;
  expectRefused(info({write("wide.xm", xmtest::writeXm(module))}),
                "wide.xm: has 40 channels (at most 32 are supported)");
  module.channels = 4;
  module.patternCount = 300;
  expectRefused(info({write("long.xm", xmtest::writeXm(module))}),
                "declares 300 patterns (at most 256)");
  module.patternCount.reset();
  module.instruments.resize(3);
  module.instruments[2].declaredSampleCount = 17;
  expectRefused(info({write("many.xm", xmtest::writeXm(module))}),
                "instrument 3 declares 17 samples (at most 16)");
}

TEST_F(InfoTest, NeedsExactlyOneFile) {
  EXPECT_EQ(info({}).exitCode, 2);
  EXPECT_EQ(info({"a.xm", "b.xm"}).exitCode, 2);
}

TEST_F(InfoTest, DamagedFilesNeverCrashIt) {
  std::vector<std::vector<std::uint8_t>> files;
  std::mt19937 random(5);
  const std::vector<std::string> corpus = xmtest::corpusModules();
  if (!corpus.empty()) {
    const std::vector<std::uint8_t> file = xmtest::readFile(corpus.front());
    for (std::size_t cut :
         {std::size_t{17}, std::size_t{70}, std::size_t{400}, file.size() / 3, file.size() - 1}) {
      files.emplace_back(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    }
  }
  for (int k = 0; k < 4; ++k) {
    std::vector<std::uint8_t> bytes(2000 + random() % 4000);
    for (std::uint8_t& byte : bytes)
      byte = static_cast<std::uint8_t>(random());
    const std::string signature = "Extended Module: ";
    if (k > 0) std::copy(signature.begin(), signature.end(), bytes.begin());
    if (k > 1) bytes[68] = static_cast<std::uint8_t>(random() % 33);
    if (k > 1) bytes[69] = 0;
    files.push_back(bytes);
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    const ProgramRun run = info({write("damaged" + std::to_string(k) + ".xm", files[k])});
    EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 2) << "file " << k << ": " << run.err;
    if (run.exitCode == 2) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
}

}  // namespace

#endif
