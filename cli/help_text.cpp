#include "cli/help_text.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/display_text.h"

namespace cli {
namespace {

const char* const EXIT_CODES =
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  an output could not be written, or a render was stopped by a signal\n"
    "  2  a module could not be used, or the command line was not understood\n"
    "  3  no sound device to play on\n";

const char* const PLAY_HELP =
    "usage: jingle play [OPTION]... FILE...\n"
    "Plays each FILE ('-': standard input) in turn on the sound device, to its natural end; a\n"
    "file that cannot be used, or a start past its end, is reported in one line and skipped.\n"
    "A FILE that is a folder plays every module in it and the folders below, in name order: a\n"
    "module by its content, whatever its extension; each other file found is skipped with a\n"
    "line saying why. A damaged file is played for what remains of it, with a line saying what\n"
    "is missing.\n"
    "\n"
    "  -l, --loops=N      play each module N times round (default 1)\n"
    "  -e, --endless      play each module until stopped\n"
    "      --seconds=TIME stop each module after TIME at most (90, 1:30 or 1:30.5)\n"
    "  -s, --start=TIME   start each module at TIME\n"
    "      --mute=LIST    silence the channels listed, such as 1,3,5-8\n"
    "      --solo=LIST    silence all channels but those listed\n"
    "      --shuffle      play the list in a random order\n"
    "      --repeat       play the whole list again and again until stopped\n"
    "%SOUND%"
    "  -h, --help         show this help\n"
    "\n"
    "Channels a module does not have are ignored with a note; --seconds and --loops cannot be\n"
    "used together.\n"
    "\n"
    "Keys: space pauses and resumes, n or Enter next module, p previous module,\n"
    "left and right arrows 5 seconds back and forward, down and up arrows one order\n"
    "back and forward (a seek replays the song silently to its target, so it sounds\n"
    "exactly as continuous play), 1 to 9 and 0 mute and unmute channels 1 to 10,\n"
    "q, Esc or Ctrl-C stops, h or ? shows and hides the keys.\n";

const char* const RENDER_HELP =
    "usage: jingle render [OPTION]... FILE...\n"
    "Renders each FILE to a file beside it (FILE with the format's extension), by default as a\n"
    "44,100 Hz 16-bit stereo WAV file, to the module's natural end. '-' reads standard input,\n"
    "which like any FILE that is not a regular file needs -o to name its output. A FILE that\n"
    "is a folder renders every module in it and below (other files are skipped with a line),\n"
    "each beside itself or, with -o DIR, to the same place below DIR.\n"
    "\n"
    "  -o, --output=OUT   the output: a file, '-' for standard output (not a terminal), or a\n"
    "                     directory that the outputs go into (a name ending in / is one,\n"
    "                     made when missing); with several FILEs, a directory\n"
    "      --raw          headerless little-endian PCM (extension .raw)\n"
    "      --format=FMT   wav, raw or flac; by default from OUT's extension\n"
    "                     (.wav, .raw, .flac; any other is refused), else wav\n"
    "  -r, --rate=HZ      frames per second, 8000 to 192000 (default 44100)\n"
    "      --float        32-bit float samples: the mix before it is clipped (WAV or raw)\n"
    "      --seconds=TIME render TIME (90, 1:30 or 1:30.5) instead of to the natural end\n"
    "  -l, --loops=N      render N times round the song (default 1)\n"
    "      --mute=LIST    silence the channels listed, such as 1,3,5-8\n"
    "      --solo=LIST    silence all channels but those listed\n"
    "%SOUND%"
    "      --threads=N    render on N threads (default: one per processor, at most 4);\n"
    "                     the output is the same whatever N\n"
    "  -q, --quiet        no progress bar (it is shown only on a terminal)\n"
    "  -h, --help         show this help\n"
    "\n"
    "Every output is checked against every FILE and every other output before anything is\n"
    "rendered: one that would replace a module, or another module's render, is refused.\n"
    "A render is written beside its output under a new name and renamed into place when\n"
    "complete; one that fails or is stopped leaves the output as it was. A module without\n"
    "a channel --mute or --solo names is refused; a damaged one is rendered for what\n"
    "remains of it, with a line saying what is missing. A 16-bit render that clipped says\n"
    "so at its end, with a gain to try: \"N samples clipped; try --gain -3\".\n";

const char* const INFO_HELP =
    "usage: jingle info [OPTION]... FILE...\n"
    "Shows what each FILE ('-': standard input) holds: title, tracker, file size, what a\n"
    "damaged file lacks, counts, duration and the names of its instruments (those with a\n"
    "name or samples; the empty ones are counted) and samples. Control characters in names\n"
    "are shown as '?', and bytes of a file name that are not UTF-8 as U+FFFD.\n"
    "\n"
    "      --json         one JSON object per file (an array of them for several files)\n"
    "  -h, --help         show this help\n";

const char* const HELP_HELP =
    "usage: jingle help [COMMAND]\n"
    "Shows the commands, or the help of COMMAND (play, render, info).\n";

// The options play and render share for the sound.
const char* const SOUND_OPTIONS =
    "      --interpolation=NAME\n"
    "                     how samples are read between their values: nearest,\n"
    "                     linear (default) or sinc (an 8-tap windowed-sinc filter)\n"
    "      --gain=DB      gain in decibels, -60 to 24, six to a doubling (-6 halves)\n"
    "      --stereo=PCT   stereo width: 0 mono, 100 the module's panning (default), up\n"
    "                     to 200 wider\n";

// The text with the shared sound options in its place.
std::string withSoundOptions(const char* text) {
  std::string help = text;
  const std::string mark = "%SOUND%";
  const std::size_t at = help.find(mark);
  if (at != std::string::npos) help.replace(at, mark.size(), SOUND_OPTIONS);
  return help;
}

}  // namespace

std::string overviewHelp() {
  return std::string(
             "usage: jingle COMMAND [OPTION]... FILE...\n"
             "Plays, renders and describes XM, IT, S3M and MOD modules.\n"
             "\n"
             "Commands:\n"
             "  play     play modules on the sound device (also: jingle FILE...)\n"
             "  render   render modules to WAV, FLAC or raw PCM files\n"
             "  info     show what modules hold\n"
             "  help     show this help, or a command's (jingle help COMMAND)\n"
             "\n"
             "  jingle COMMAND --help   a command's options\n"
             "  jingle --version        jingle's version\n") +
         EXIT_CODES;
}

std::string commandHelp(const std::string& command) {
  const char* text = command == "play"     ? PLAY_HELP
                     : command == "render" ? RENDER_HELP
                     : command == "info"   ? INFO_HELP
                     : command == "help"   ? HELP_HELP
                                           : nullptr;
  return text == nullptr ? std::string() : withSoundOptions(text) + EXIT_CODES;
}

bool isCommand(const std::string& name) {
  return !commandHelp(name).empty();
}

int printHelp(const std::string& topic) {
  const std::string text = topic.empty() ? overviewHelp() : commandHelp(topic);
  if (text.empty()) {
    std::fprintf(stderr, "jingle: help: '%s' is not a command (see 'jingle help')\n",
                 displayName(topic).c_str());
    return EXIT_BAD_INPUT;
  }
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? EXIT_OK : EXIT_OUTPUT_FAILED;
}

}  // namespace cli
