// Placeholder until the side-file reader lands: no scene has skin weights.
#include "skin/skin_reader.h"

bool LoadSkinWeights(AseScene*, const char*) { return false; }
