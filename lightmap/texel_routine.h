// Which texel routine this program's tile lighting loop carries: "SSE" (the four-lane kernel) or
// "scalar". Defined by the per-program binding unit, so it says what the program really runs.
#pragma once

const char* TexelRoutineName();
