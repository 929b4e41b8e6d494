// Where each module of jingle render goes and in what form, decided for the whole command before
// anything is rendered: an output beside its module, or in the folder -o names, takes the
// module's name with the format's extension; a module found in a folder given goes, under -o's
// folder, to the same place below it as it has in its own. No output may be one of the modules, nor
// the output of another module: such a command is refused in one line, nothing renamed.
#pragma once

#include <string>
#include <vector>

#include "cli/playlist.h"
#include "cli/render_format.h"

namespace cli {

// What the command line says of the outputs.
struct OutputChoice {
  std::string output;  // -o as given; empty: beside each module
  bool intoFolder = false;
  FormatChoice format;  // by --format or --raw
  bool floatSamples = false;
};

// One module's render: where it goes and in what form.
struct RenderJob {
  std::string module;
  std::string output;
  AudioFormat format = AudioFormat::WAV;
};

// "jingle: render: message (see ...)" on stderr; EXIT_BAD_INPUT.
int renderUsageError(const std::string& message);

// EXIT_OK with a job for each module, or EXIT_BAD_INPUT after one line on stderr.
int planRender(const OutputChoice& choice, const std::vector<ListedModule>& modules,
               std::vector<RenderJob>& jobs);

// Creates the folder -o names (with the folders it lies in) when it does not exist yet: EXIT_OK,
// or EXIT_OUTPUT_FAILED after one line on stderr.
int makeOutputFolder(const OutputChoice& choice);
// Creates the folders below -o's that the job's output goes into: EXIT_OK, or EXIT_OUTPUT_FAILED
// after one line on stderr.
int makeMirrorFolder(const OutputChoice& choice, const RenderJob& job);

}  // namespace cli
