// For the loader chains' tests: takes back a loader they added, so that the next test meets
// the built-in chain. Not for programs: pixmap.h and font.h are what they call.
#pragma once

#include "gfx/font.h"
#include "gfx/pixmap.h"

// A loader not in the chain: nothing happens.
void RemovePixmapLoader(const TPixmapLoader* loader);
void RemoveFontLoader(const TFontLoader* loader);
