// Where jingle.mjs finds the fields it reads in the C interface's structures, as this build lays
// them out for 32-bit WebAssembly: sizes and offsets in bytes, in the order jingle.mjs takes them.
#include <cstddef>
#include <cstdint>

#include "jingle/jingle.h"

extern "C" __attribute__((used, visibility("default"))) const std::int32_t* jingle_web_layout() {
  static const std::int32_t layout[] = {
      sizeof(jingle_module_info),
      offsetof(jingle_module_info, format),
      offsetof(jingle_module_info, title),
      offsetof(jingle_module_info, tracker),
      offsetof(jingle_module_info, channels),
      offsetof(jingle_module_info, instruments),
      sizeof(jingle_position),
      offsetof(jingle_position, frame),
      offsetof(jingle_position, order),
      offsetof(jingle_position, pattern),
      offsetof(jingle_position, row),
  };
  return layout;
}
