// Entry point of kestrel_sse and kestrel_scalar: parses the command line and starts the viewer.
#include <cstdio>
#include <cstring>

#include "lightmap/texel_routine.h"

namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: kestrel [--scene PATH] [--frames N] [--screenshot FILE.png] [--headless]\n"
               "               [--device N] [--mode N] [--help] [--version]\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintUsage(stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("kestrel %s (texel routine: %s)\n", KESTREL_VERSION, TexelRoutineName());
      return 0;
    }
    std::fprintf(stderr, "kestrel: unknown option '%s' (try --help)\n", argv[i]);
    return 2;
  }
  std::fprintf(stderr, "kestrel: the viewer is not complete yet; only --help and --version work\n");
  return 1;
}
