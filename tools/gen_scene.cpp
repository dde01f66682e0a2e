// Writes a generated ".ase" scene (see tools/lib_scene_generator.h) for benchmarks, fuzz seeds and
// trying the viewer on large scenes. --size-mb picks the object count that comes closest to that size.
// Exits 2 on a usage error, 1 when the file cannot be written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/lib_scene_generator.h"

namespace {

const char USAGE[] =
    "usage: gen_scene [--objects N] [--faces N] [--materials N] [--submaterials N] [--lights N]\n"
    "                 [--cameras N] [--keys N] [--chain N] [--seed N] [--size-mb MB] OUTPUT.ase\n";

bool ParseCount(const char* text, uint32_t* out) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || text[0] == '-' || value > UINT32_MAX) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  SceneGeneratorOptions options;
  const struct {
    const char* flag;
    uint32_t* field;
  } counts[] = {
      {"--objects", &options.object_count},     {"--faces", &options.faces_per_object},
      {"--materials", &options.material_count}, {"--submaterials", &options.submaterial_count},
      {"--lights", &options.light_count},       {"--cameras", &options.camera_count},
      {"--keys", &options.animation_keys},      {"--chain", &options.parent_chain},
      {"--seed", &options.seed},
  };
  uint32_t size_mb = 0;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0) {
      std::fputs(USAGE, stdout);
      return 0;
    }
    bool known = false;
    for (const auto& count : counts) {
      if (std::strcmp(arg, count.flag) != 0) continue;
      known = true;
      if (i + 1 >= argc || !ParseCount(argv[++i], count.field)) {
        std::fprintf(stderr, "gen_scene: %s needs a non-negative number\n", arg);
        return 2;
      }
    }
    if (known) continue;
    if (std::strcmp(arg, "--size-mb") == 0) {
      if (i + 1 >= argc || !ParseCount(argv[++i], &size_mb) || size_mb == 0 || size_mb > 4096) {
        std::fprintf(stderr, "gen_scene: --size-mb needs a number from 1 to 4096\n");
        return 2;
      }
    } else if (arg[0] == '-' || output != nullptr) {
      std::fputs(USAGE, stderr);
      return 2;
    } else {
      output = arg;
    }
  }
  if (output == nullptr) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  if (size_mb != 0) options = OptionsForSize(size_t{size_mb} << 20, options);
  if (!WriteGeneratedScene(options, output)) {
    std::fprintf(stderr, "gen_scene: cannot write %s\n", output);
    return 1;
  }
  std::printf("%s: %u objects of %u faces\n", output, options.object_count, options.faces_per_object);
  return 0;
}
