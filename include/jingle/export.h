// How the library's functions are marked for export. Everything else in the shared library stays
// hidden. Programs that link the static library on Windows define JINGLE_STATIC (the CMake
// package and the pkg-config file do it for them).
#pragma once

#if defined(_WIN32)
#if defined(JINGLE_STATIC)
#define JINGLE_API
#elif defined(JINGLE_BUILDING)
#define JINGLE_API __declspec(dllexport)
#else
#define JINGLE_API __declspec(dllimport)
#endif
#else
#define JINGLE_API __attribute__((visibility("default")))
#endif
