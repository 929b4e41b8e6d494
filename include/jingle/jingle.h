// jingle: a module player (XM, S3M, MOD) to embed. Load a module (module.h), then either play it on
// the sound device (playback.h) or pull its frames into buffers of your own (render.h). The engine
// plays one song at a time; every call reports failure by a Status (status.h).
#pragma once

#include "jingle/module.h"
#include "jingle/playback.h"
#include "jingle/position.h"
#include "jingle/render.h"
#include "jingle/status.h"
#include "jingle/version.h"
