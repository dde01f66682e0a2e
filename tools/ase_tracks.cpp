// ase_tracks: reads the animation of a scene file as the viewer does and prints, per track, its node
// name and its rotation, position and scale key counts, then the header values. Like the viewer it
// writes the trace "out.txt" into the working directory.
#include <cstdio>

#include "animation/animation_set.h"

namespace {

template <class Key>
unsigned CountKeys(const Key* key) {
  unsigned count = 0;
  for (; key != nullptr; key = key->next) ++count;
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ase_tracks SCENE.ase (writes out.txt into the working directory)\n");
    return 2;
  }
  std::FILE* probe = std::fopen(argv[1], "rb");
  if (probe == nullptr) {
    std::fprintf(stderr, "ase_tracks: cannot open %s\n", argv[1]);
    return 1;
  }
  std::fclose(probe);

  AnimationSet set = {};
  ReadAnimationFile(&set, argv[1]);
  for (const AnimationTrack* track = set.tracks; track != nullptr; track = track->next) {
    std::printf("\"%s\" rotation %u position %u scale %u\n", track->node_name, CountKeys(track->rotation_keys),
                CountKeys(track->position_keys), CountKeys(track->scale_keys));
  }
  std::printf("%u tracks, frames %d to %u, %u ticks per frame, frame speed %d\n", set.track_count,
              set.first_frame, set.last_frame, set.ticks_per_frame, set.frame_speed);
  DestroyAnimationSet(&set);
  return 0;
}
