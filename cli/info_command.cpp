// jingle info FILE...: what each module holds, as "label: value" lines or as JSON.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/help_text.h"
#include "cli/module_file.h"
#include "cli/number_text.h"
#include "cli/options.h"
#include "player/load/module_check.h"
#include "player/load/module_fault_text.h"
#include "player/load/module_texts.h"
#include "player/load/song.h"
#include "player/load/song_facts.h"
#include "player/offline_render.h"

namespace cli {
namespace {

// What info tells of one module. The header's counts are as the file stores them: a count the
// player reads as negative (and so as none) still shows the file's value.
struct ModuleReport {
  std::string path;
  std::uint64_t fileBytes = 0;
  player::ModuleTexts texts;
  player::ModuleFormat format = player::ModuleFormat::XM;
  std::uint32_t channels = 0, orders = 0, restartPosition = 0, instruments = 0, speed = 0, bpm = 0;
  std::int32_t patterns = 0, patternsUsed = 0;  // stored; named by the orders
  std::uint64_t samples = 0, sampleMemoryBytes = 0;
  bool linear = false;
  std::int64_t frames = 0;
  bool limited = false;  // no end within the render limit: frames is that limit
  player::ModuleDamage damage{};
};

// An instrument slot with neither a name nor a sample says nothing: such slots are only counted.
bool emptySlot(const player::ModuleTexts& texts, std::size_t i) {
  return texts.instrumentNames[i].empty() && texts.sampleNames[i].empty();
}

std::size_t emptySlots(const player::ModuleTexts& texts) {
  std::size_t empty = 0;
  for (std::size_t i = 0; i < texts.instrumentNames.size(); ++i)
    empty += emptySlot(texts, i);
  return empty;
}

ModuleReport reportOf(const std::string& path, const ModuleFile& file) {
  const player::ModuleCheck header = player::checkModule(file.image);
  const player::Song& song = *file.song;
  ModuleReport report;
  report.path = inputName(path);
  report.fileBytes = player::moduleByteCount(file.image);
  report.texts = player::readModuleTexts(file.image);
  report.format = header.format;
  report.channels = header.stored.channelCount;
  report.orders = header.stored.songLength;
  report.restartPosition = header.stored.restartPosition;
  report.patterns = header.patternCount;
  bool named[player::ORDER_TABLE_SIZE] = {};
  for (int i = 0; i < song.songLength; ++i) {
    report.patternsUsed += !named[song.orderTable[i]];
    named[song.orderTable[i]] = true;
  }
  report.instruments = header.stored.instrumentCount;
  report.samples = player::ownSampleCount(song);
  report.linear = (song.flags & player::SONG_LINEAR_FREQUENCIES) != 0;
  report.speed = header.stored.speed;
  report.bpm = header.stored.bpm;
  report.sampleMemoryBytes = player::sampleMemoryBytes(song);
  report.frames = player::naturalLengthFrames(&song, 1, player::MAX_NATURAL_FRAMES);
  report.limited = report.frames >= player::MAX_NATURAL_FRAMES;
  report.damage = file.damage;
  return report;
}

std::string durationText(const ModuleReport& report) {
  const std::int64_t ms = (report.frames * 1000 + player::OFFLINE_RATE / 2) / player::OFFLINE_RATE;
  char clock[48];
  std::snprintf(clock, sizeof clock, "%" PRId64 ":%02" PRId64 ".%03" PRId64, ms / 60000,
                ms / 1000 % 60, ms % 1000);
  return std::string(report.limited ? "at least " : "") + clock + " (" +
         withThousands(static_cast<std::uint64_t>(report.frames)) + " frames at 44,100 Hz)";
}

void printText(const ModuleReport& r) {
  const auto line = [](const std::string& label, const std::string& value) {
    std::printf("%s: %s\n", label.c_str(), value.c_str());
  };
  line("file", r.path);
  line("file size", withThousands(r.fileBytes) + " bytes");
  line("format", player::formatName(r.format));
  if (player::moduleDamaged(r.damage)) line("damage", player::moduleDamageText(r.damage));
  line("title", displayText(r.texts.title));
  line("tracker", displayText(r.texts.tracker));
  line("channels", withThousands(r.channels));
  line("orders", withThousands(r.orders));
  line("restart order", withThousands(r.restartPosition));
  line("patterns", withThousands(static_cast<std::uint64_t>(r.patterns)) + " stored, " +
                       withThousands(static_cast<std::uint64_t>(r.patternsUsed)) + " used");
  const std::size_t empty = emptySlots(r.texts);
  line("instruments",
       withThousands(r.instruments) + (empty > 0 ? " (" + withThousands(empty) + " empty)" : ""));
  line("samples", withThousands(r.samples));
  line("frequency table", r.linear ? "linear" : "amiga");
  line("speed", withThousands(r.speed));
  line("bpm", withThousands(r.bpm));
  line("sample memory", withThousands(r.sampleMemoryBytes) + " bytes");
  line("duration", durationText(r));
  if (!r.texts.note.empty()) line("note", r.texts.note);
  // MOD and S3M instruments are their samples.
  const bool samplesOnly = r.format != player::ModuleFormat::XM;
  for (std::size_t i = 0; i < r.texts.instrumentNames.size() && samplesOnly; ++i) {
    if (emptySlot(r.texts, i)) continue;
    line("sample " + std::to_string(i + 1), displayText(r.texts.instrumentNames[i]));
  }
  for (std::size_t i = 0; i < r.texts.instrumentNames.size() && !samplesOnly; ++i) {
    if (emptySlot(r.texts, i)) continue;
    const std::string instrument = "instrument " + std::to_string(i + 1);
    line(instrument, displayText(r.texts.instrumentNames[i]));
    for (std::size_t j = 0; j < r.texts.sampleNames[i].size(); ++j)
      line(instrument + " sample " + std::to_string(j + 1), displayText(r.texts.sampleNames[i][j]));
  }
}

void printJson(const ModuleReport& r, const char* indent) {
  const auto field = [&](const char* key, const std::string& value) {
    std::printf("%s  \"%s\": %s,\n", indent, key, value.c_str());
  };
  std::printf("%s{\n", indent);
  field("file", jsonString(r.path));
  field("file_size", std::to_string(r.fileBytes));
  field("format", jsonString(player::formatName(r.format)));
  const player::ModuleDamage& d = r.damage;
  field("damage", !player::moduleDamaged(d)
                      ? "null"
                      : "{\"file_ends_at\": " + std::to_string(d.endsAt) +
                            ", \"patterns_missing\": " + std::to_string(d.patternsMissing) +
                            ", \"instruments_missing\": " + std::to_string(d.instrumentsMissing) +
                            ", \"samples_missing\": " + std::to_string(d.samplesMissing) + "}");
  field("title", jsonString(displayText(r.texts.title)));
  field("tracker", jsonString(displayText(r.texts.tracker)));
  field("channels", std::to_string(r.channels));
  field("orders", std::to_string(r.orders));
  field("restart_order", std::to_string(r.restartPosition));
  field("patterns", std::to_string(r.patterns));
  field("patterns_used", std::to_string(r.patternsUsed));
  field("instruments", std::to_string(r.instruments));
  field("instruments_empty", std::to_string(emptySlots(r.texts)));
  field("samples", std::to_string(r.samples));
  field("frequency_table", r.linear ? "\"linear\"" : "\"amiga\"");
  field("speed", std::to_string(r.speed));
  field("bpm", std::to_string(r.bpm));
  field("sample_memory_bytes", std::to_string(r.sampleMemoryBytes));
  field("frames", std::to_string(r.frames));
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f",
                static_cast<double>(r.frames) / player::OFFLINE_RATE);
  field("duration_seconds", seconds);
  field("duration_limited", r.limited ? "true" : "false");
  if (!r.texts.note.empty()) field("note", jsonString(r.texts.note));
  std::string names = "[";
  for (std::size_t i = 0; i < r.texts.instrumentNames.size(); ++i) {
    if (emptySlot(r.texts, i)) continue;
    names += names.size() == 1 ? "" : ", ";
    names += "{\"number\": " + std::to_string(i + 1) +
             ", \"name\": " + jsonString(displayText(r.texts.instrumentNames[i])) +
             ", \"samples\": [";
    for (std::size_t j = 0; j < r.texts.sampleNames[i].size(); ++j)
      names += (j == 0 ? "" : ", ") + jsonString(displayText(r.texts.sampleNames[i][j]));
    names += "]}";
  }
  std::printf("%s  \"instrument_names\": %s]\n%s}", indent, names.c_str(), indent);
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
  ParsedArguments parsed;
  if (!parseArguments("info", args, {{"json", 0, false}, {"help", 'h', false}}, parsed)) {
    return EXIT_BAD_INPUT;
  }
  if (hasOption(parsed, "help")) return printHelp("info");
  if (parsed.operands.empty()) {
    std::fputs("jingle: info: no FILE given (see 'jingle info --help')\n", stderr);
    return EXIT_BAD_INPUT;
  }
  const bool json = hasOption(parsed, "json");
  const bool several = parsed.operands.size() > 1;
  int code = EXIT_OK;
  std::size_t shown = 0;
  if (json && several) std::fputs("[\n", stdout);
  for (const std::string& path : parsed.operands) {
    ModuleFile file;
    std::fflush(stdout);  // the reports and the one-line errors keep their order
    if (openModuleFile(path, file) != EXIT_OK) {
      code = EXIT_BAD_INPUT;
      continue;
    }
    const ModuleReport report = reportOf(path, file);
    closeModuleFile(file);
    if (json) {
      std::fputs(shown > 0 ? ",\n" : "", stdout);
      printJson(report, several ? "  " : "");
    } else {
      std::fputs(shown > 0 ? "\n" : "", stdout);
      printText(report);
    }
    ++shown;
  }
  if (json) std::fputs(several ? "\n]\n" : shown > 0 ? "\n" : "", stdout);
  if (std::fflush(stdout) != 0) {
    std::fputs("jingle: cannot write to standard output\n", stderr);
    return EXIT_OUTPUT_FAILED;
  }
  return code;
}

}  // namespace cli
