// Files built into the program as byte arrays, for shells that have no resource section: the
// module, the pictures and the icon. Generated at build time from the resource files.
#pragma once

namespace app {

extern const char EMBEDDED_MODULE[];
extern const unsigned long EMBEDDED_MODULE_SIZE;
extern const char EMBEDDED_BACKGROUND[];
extern const unsigned long EMBEDDED_BACKGROUND_SIZE;
extern const char EMBEDDED_TITLE[];
extern const unsigned long EMBEDDED_TITLE_SIZE;
extern const char EMBEDDED_ICON[];
extern const unsigned long EMBEDDED_ICON_SIZE;

}  // namespace app
