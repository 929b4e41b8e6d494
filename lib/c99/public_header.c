/* Built as C99 with -Wpedantic: the header is a C interface first. */
#include "jingle/jingle.h"

#if defined(__STDC_VERSION__) && __STDC_VERSION__ != 199901L
#error "this check is compiled as C99"
#endif

jingle_status jingle_header_c99_check(void);
