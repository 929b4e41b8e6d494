// The engine the tool plays and renders with: one, used by one command at a time.
#pragma once

#include "player/engine.h"

namespace cli {

extern player::Engine toolEngine;

}  // namespace cli
