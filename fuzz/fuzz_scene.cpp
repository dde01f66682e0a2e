// The scene file through the whole load: the reader, the skin-weight load (no side file here; the skin
// target covers it), the renderable build and the scene report, on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteFuzzInput("input.ase", data, size);
  ScopedBoxCapture boxes;
  AseScene scene;
  LoadScene(&scene, path.c_str());
  return 0;
}
