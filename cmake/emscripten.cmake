# The web build: WebAssembly through Debian's emscripten. Its tools look for their Node modules
# (acorn...) in Debian's Node path, so the compiler and the linker run with NODE_PATH set to it;
# programs built for Node (the tool, the tests) run under node.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CXX_COMPILER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
