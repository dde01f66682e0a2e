// Loads one scene file as the viewer does, without a device, so that its report "test.txt" (and the
// skin-weight reports) can be checked by hand; they are written into the working directory.
// Usage: ase_report SCENE.ase. Exits 1 when the file cannot be opened, 2 on a usage error.
#include <cstdio>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ase_report SCENE.ase\n");
    return 2;
  }
  AseScene scene;
  const bool read_whole = LoadScene(&scene, argv[1]);
  const bool opened = scene.IsLoaded();
  scene.DestroyScene();
  if (!opened) {
    std::fprintf(stderr, "ase_report: cannot open %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %s\n", argv[1], read_whole ? "read" : "not a scene file (header missing)");
  return 0;
}
