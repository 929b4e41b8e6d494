#include "player/load/song_parse.h"

#include "player/load/it_loader.h"
#include "player/load/mod_loader.h"
#include "player/load/s3m_loader.h"
#include "player/load/xm_loader.h"

namespace player {

int parseSong(Song* song, StreamHandle* handle, ModuleFormat format) {
  switch (format) {
    case ModuleFormat::XM:
      return parseXm(song, handle);
    case ModuleFormat::MOD:
      return parseMod(song, handle);
    case ModuleFormat::S3M:
      return parseS3m(song, handle);
    case ModuleFormat::IT:
      return parseIt(song, handle);
    case ModuleFormat::UNKNOWN:
      break;
  }
  return 0;
}

}  // namespace player
