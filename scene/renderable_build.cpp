// Placeholder until the renderable build lands.
#include "scene/renderable_build.h"

void BuildRenderables(AseScene*) {}
