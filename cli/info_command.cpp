// jingle info FILE...: what each module holds, as "label: value" lines or as JSON.
#include <algorithm>
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
#include "jingle/jingle.h"

namespace cli {
namespace {

// What info tells of one module. The header's counts are as the file stores them: a count the
// player reads as negative (and so as none) still shows the file's value.
struct ModuleReport {
  std::string path;
  jingle::ModuleInfo info{};  // its texts as the strings below: the module is freed
  std::string format, title, tracker, note, message;
  jingle::ModuleDamage damage{};
  std::vector<std::string> warnings;
  std::vector<std::string> instrumentNames;
  std::vector<std::vector<std::string>> sampleNames;  // per instrument
  std::int64_t frames = 0;
  bool limited = false;  // no end within the render limit: frames is that limit
};

// An instrument slot with neither a name nor a sample says nothing: such slots are only counted.
bool emptySlot(const ModuleReport& report, std::size_t i) {
  return report.instrumentNames[i].empty() && report.sampleNames[i].empty();
}

std::size_t emptySlots(const ModuleReport& report) {
  std::size_t empty = 0;
  for (std::size_t i = 0; i < report.instrumentNames.size(); ++i)
    empty += emptySlot(report, i);
  return empty;
}

ModuleReport reportOf(const std::string& path, const jingle::Module& module) {
  ModuleReport report;
  report.path = inputName(path);
  module.info(report.info);
  report.title = report.info.title;
  report.tracker = report.info.tracker;
  report.format = report.info.format;
  report.note = report.info.note;
  // The message's lines shown as every text is, joined by '\n'.
  const std::string message = report.info.message != nullptr ? report.info.message : "";
  for (std::size_t start = 0; start < message.size();) {
    const std::size_t end = std::min(message.find('\n', start), message.size());
    if (start != 0) report.message += '\n';
    report.message += displayText(message.substr(start, end - start));
    start = end + 1;
  }
  report.info.title = report.info.tracker = report.info.format = report.info.note = nullptr;
  report.info.message = nullptr;
  module.damage(report.damage);
  for (std::int32_t i = 0; i < module.warningCount(); ++i)
    report.warnings.emplace_back(module.warning(i));
  for (std::int32_t i = 0; module.instrumentName(i) != nullptr; ++i)
    report.instrumentNames.emplace_back(module.instrumentName(i));
  report.sampleNames.resize(report.instrumentNames.size());
  for (std::int32_t i = 0; module.sampleName(i) != nullptr; ++i) {
    const auto owner = static_cast<std::size_t>(module.sampleInstrument(i));
    if (owner < report.sampleNames.size())
      report.sampleNames[owner].emplace_back(module.sampleName(i));
  }
  std::int32_t limited = 0;
  jingle_module_duration(module.get(), DEFAULT_RATE, 1, &report.frames, &limited);
  report.limited = limited != 0;
  return report;
}

std::string durationText(const ModuleReport& report) {
  const std::int64_t ms = (report.frames * 1000 + DEFAULT_RATE / 2) / DEFAULT_RATE;
  char clock[48];
  std::snprintf(clock, sizeof clock, "%" PRId64 ":%02" PRId64 ".%03" PRId64, ms / 60000,
                ms / 1000 % 60, ms % 1000);
  return std::string(report.limited ? "at least " : "") + clock + " (" +
         withThousands(static_cast<std::uint64_t>(report.frames)) + " frames at " +
         withThousands(DEFAULT_RATE) + " Hz)";
}

std::string count(std::int64_t value) {
  return withThousands(static_cast<std::uint64_t>(value));
}

void printText(const ModuleReport& r) {
  const auto line = [](const std::string& label, const std::string& value) {
    std::printf("%s: %s\n", label.c_str(), value.c_str());
  };
  const jingle::ModuleInfo& i = r.info;
  line("file", r.path);
  line("file size", withThousands(i.file_bytes) + " bytes");
  line("format", r.format);
  for (const std::string& warning : r.warnings)
    line("damage", warning);
  line("title", displayText(r.title));
  line("tracker", displayText(r.tracker));
  line("channels", count(i.stored_channels));
  line("orders", count(i.stored_orders));
  line("restart order", count(i.stored_restart_order));
  line("patterns", count(i.stored_patterns) + " stored, " + count(i.patterns_used) + " used");
  const std::size_t empty = emptySlots(r);
  line("instruments",
       count(i.stored_instruments) + (empty > 0 ? " (" + withThousands(empty) + " empty)" : ""));
  line("samples", count(i.samples));
  line("frequency table", i.linear_frequencies != 0 ? "linear" : "amiga");
  line("speed", count(i.stored_speed));
  line("bpm", count(i.stored_bpm));
  line("sample memory", withThousands(i.sample_memory_bytes) + " bytes");
  line("duration", durationText(r));
  if (!r.note.empty()) line("note", r.note);
  if (i.note_actions > 0) line("new-note actions", count(i.note_actions) + " instruments");
  if (i.filters > 0) line("filters", count(i.filters) + " instruments");
  std::size_t start = 0;
  while (start < r.message.size()) {
    const std::size_t end = std::min(r.message.find('\n', start), r.message.size());
    line("message", r.message.substr(start, end - start));
    start = end + 1;
  }
  // MOD and S3M instruments are their samples.
  const bool samplesOnly = r.format == "MOD" || r.format == "S3M";
  for (std::size_t n = 0; n < r.instrumentNames.size() && samplesOnly; ++n) {
    if (!emptySlot(r, n))
      line("sample " + std::to_string(n + 1), displayText(r.instrumentNames[n]));
  }
  for (std::size_t n = 0; n < r.instrumentNames.size() && !samplesOnly; ++n) {
    if (emptySlot(r, n)) continue;
    const std::string instrument = "instrument " + std::to_string(n + 1);
    line(instrument, displayText(r.instrumentNames[n]));
    for (std::size_t j = 0; j < r.sampleNames[n].size(); ++j)
      line(instrument + " sample " + std::to_string(j + 1), displayText(r.sampleNames[n][j]));
  }
}

void printJson(const ModuleReport& r, const char* indent) {
  const auto field = [&](const char* key, const std::string& value) {
    std::printf("%s  \"%s\": %s,\n", indent, key, value.c_str());
  };
  const jingle::ModuleInfo& i = r.info;
  std::printf("%s{\n", indent);
  field("file", jsonString(r.path));
  field("file_size", std::to_string(i.file_bytes));
  field("format", jsonString(r.format));
  const jingle::ModuleDamage& d = r.damage;
  field("damage", d.file_ends_at == 0
                      ? "null"
                      : "{\"file_ends_at\": " + std::to_string(d.file_ends_at) +
                            ", \"patterns_missing\": " + std::to_string(d.patterns_missing) +
                            ", \"instruments_missing\": " + std::to_string(d.instruments_missing) +
                            ", \"samples_missing\": " + std::to_string(d.samples_missing) + "}");
  field("title", jsonString(displayText(r.title)));
  field("tracker", jsonString(displayText(r.tracker)));
  field("channels", std::to_string(i.stored_channels));
  field("orders", std::to_string(i.stored_orders));
  field("restart_order", std::to_string(i.stored_restart_order));
  field("patterns", std::to_string(i.stored_patterns));
  field("patterns_used", std::to_string(i.patterns_used));
  field("instruments", std::to_string(i.stored_instruments));
  field("instruments_empty", std::to_string(emptySlots(r)));
  field("samples", std::to_string(i.samples));
  field("frequency_table", i.linear_frequencies != 0 ? "\"linear\"" : "\"amiga\"");
  field("speed", std::to_string(i.stored_speed));
  field("bpm", std::to_string(i.stored_bpm));
  field("sample_memory_bytes", std::to_string(i.sample_memory_bytes));
  field("frames", std::to_string(r.frames));
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(r.frames) / DEFAULT_RATE);
  field("duration_seconds", seconds);
  field("duration_limited", r.limited ? "true" : "false");
  if (!r.note.empty()) field("note", jsonString(r.note));
  if (!r.message.empty()) field("message", jsonString(r.message));
  if (r.format == "IT") {
    field("new_note_actions", std::to_string(i.note_actions));
    field("filters", std::to_string(i.filters));
  }
  std::string names = "[";
  for (std::size_t n = 0; n < r.instrumentNames.size(); ++n) {
    if (emptySlot(r, n)) continue;
    names += names.size() == 1 ? "" : ", ";
    names += "{\"number\": " + std::to_string(n + 1) +
             ", \"name\": " + jsonString(displayText(r.instrumentNames[n])) + ", \"samples\": [";
    for (std::size_t j = 0; j < r.sampleNames[n].size(); ++j)
      names += (j == 0 ? "" : ", ") + jsonString(displayText(r.sampleNames[n][j]));
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
    jingle::Module module;
    std::fflush(stdout);  // the reports and the one-line errors keep their order
    if (openModule(path, module) != EXIT_OK) {
      code = EXIT_BAD_INPUT;
      continue;
    }
    const ModuleReport report = reportOf(path, module);
    module.reset();
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
