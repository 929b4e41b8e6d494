// Nothing but the language of the static library: its one object is linked beforehand, and a C
// program that links the library learns from this file that it needs the C++ runtime.
