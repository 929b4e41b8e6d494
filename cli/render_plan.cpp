#include "cli/render_plan.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>

#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/flac_output.h"
#include "cli/output_file.h"
#include "cli/pcm_output.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

std::string extensionOf(AudioFormat format) {
  std::string extension = ".";
  extension += formatName(format);
  return extension;
}

// What tells two names of one file apart from names of two: the device and inode of a file that
// exists ("D:I"), else the full name of where it would be made. Empty for standard input and
// output.
std::string identity(const std::string& path) {
  if (path == "-") return "";
#ifndef _WIN32
  struct stat status {};
  if (stat(path.c_str(), &status) == 0) {
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
  }
#endif
  std::error_code error;
  std::string name = fs::weakly_canonical(followLinks(path), error).lexically_normal().string();
#ifdef _WIN32
  for (char& c : name)  // the file systems ignore case
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
  return error ? fs::absolute(path, error).lexically_normal().string() : name;
}

// A module read from something other than a file gives no name for its output.
bool nameless(const std::string& module) {
  if (module == "-" || namesOpenFile(module)) return true;
  std::error_code error;
  const fs::file_status status = fs::status(module, error);
  return fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

int planJob(const OutputChoice& choice, const ListedModule& listed, RenderJob& job) {
  const std::string& module = listed.path;
  job.module = module;
  const std::string named = choice.intoFolder ? "" : choice.output;
  const FormatChoice fromName = formatOfName(named);
  if (fromName.given && choice.format.given && fromName.format != choice.format.format) {
    return renderUsageError(displayName(named) + " is a " + extensionOf(fromName.format) +
                            " name, but " + formatName(choice.format.format) +
                            " output was asked for");
  }
  if (!fromName.given && !choice.format.given && !nameExtension(named).empty()) {
    return renderUsageError(displayName(named) + ": ." + displayName(nameExtension(named)) +
                            " names no format jingle writes (.wav, .raw, .flac); --format " +
                            "writes one under this name");
  }
  job.format = choice.format.given ? choice.format.format
               : fromName.given    ? fromName.format
                                   : AudioFormat::WAV;
  if (job.format == AudioFormat::FLAC && choice.floatSamples) {
    return renderUsageError("FLAC holds whole numbers: --float writes WAV or raw output");
  }
  if (job.format == AudioFormat::FLAC && !flacAvailable()) {
    return renderUsageError("this jingle was built without FLAC output");
  }
  if (!named.empty()) {
    job.output = named;
    return EXIT_OK;
  }
  if (nameless(module)) {
    std::fprintf(stderr, "jingle: %s: is not a file; name its output with -o\n",
                 inputName(module).c_str());
    return EXIT_BAD_INPUT;
  }
  const std::string beside = defaultOutputPath(module, extensionOf(job.format));
  const fs::path place = fs::path(listed.below).parent_path() / fs::path(beside).filename();
  job.output = choice.intoFolder ? (fs::path(choice.output) / place).string() : beside;
  return EXIT_OK;
}

}  // namespace

int renderUsageError(const std::string& message) {
  std::fprintf(stderr, "jingle: render: %s (see 'jingle render --help')\n", message.c_str());
  return EXIT_BAD_INPUT;
}

int planRender(const OutputChoice& choice, const std::vector<ListedModule>& modules,
               std::vector<RenderJob>& jobs) {
  jobs.assign(modules.size(), RenderJob{});
  for (std::size_t i = 0; i < jobs.size(); ++i)
    if (const int code = planJob(choice, modules[i], jobs[i]); code != EXIT_OK) return code;
  // Every output against every module and every other output, before anything is written.
  std::map<std::string, std::size_t> inputs, outputs;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    std::error_code error;
    const std::string input = identity(jobs[i].module);
    if (!input.empty() && fs::exists(jobs[i].module, error)) inputs.emplace(input, i);
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const std::string output = identity(jobs[i].output);
    if (output.empty()) continue;
    if (inputs.count(output) != 0) {
      std::fprintf(stderr, "jingle: %s: is a module being rendered; name another output with -o\n",
                   displayName(jobs[i].output).c_str());
      return EXIT_BAD_INPUT;
    }
    const auto [first, added] = outputs.emplace(output, i);
    if (!added) {
      std::fprintf(stderr,
                   "jingle: %s: would hold the renders of both %s and %s; render them one at a "
                   "time with -o\n",
                   displayName(jobs[i].output).c_str(),
                   inputName(jobs[first->second].module).c_str(),
                   inputName(jobs[i].module).c_str());
      return EXIT_BAD_INPUT;
    }
  }
  return EXIT_OK;
}

int makeOutputFolder(const OutputChoice& choice) {
  std::error_code error;
  if (!choice.intoFolder || fs::exists(choice.output, error)) return EXIT_OK;
  if (fs::create_directories(choice.output, error) || !error) return EXIT_OK;
  std::fprintf(stderr, "jingle: %s: cannot make the folder: %s\n",
               displayName(choice.output).c_str(), error.message().c_str());
  return EXIT_OUTPUT_FAILED;
}

int makeMirrorFolder(const OutputChoice& choice, const RenderJob& job) {
  std::error_code error;
  const fs::path folder = fs::path(job.output).parent_path();
  if (!choice.intoFolder || folder.empty() || fs::exists(folder, error)) return EXIT_OK;
  if (fs::create_directories(folder, error) || !error) return EXIT_OK;
  std::fprintf(stderr, "jingle: %s: cannot make the folder: %s\n",
               displayName(folder.string()).c_str(), error.message().c_str());
  return EXIT_OUTPUT_FAILED;
}

}  // namespace cli
