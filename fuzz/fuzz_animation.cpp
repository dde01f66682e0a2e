// The animation pass on arbitrary text, bound to a scene held in memory whose node names the seeds and
// the dictionary use (a parent chain, a root with two children, an unparented object and a light), then
// posed at the frames where the keys begin, end and blend, and stepped as the frame loop would step it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "fuzz/fuzz_support.h"
#include "scene/ase_scene.h"
#include "scene/renderable_build.h"
#include "tests/scene_fixtures.h"

namespace {

void BuildAnimatedScene(AseScene& scene) {
  GeomObject* hip = AddGeomObject(scene, "Hip");
  SetTranslation(hip, {0, 0, 1});
  GeomObject* body = AddGeomObject(scene, "Body", "Hip");
  SetVertices(body, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  SetFaces(body, {0, 1, 2});
  AddGeomObject(scene, "Arm", "Body");
  AddGeomObject(scene, "Spine", "Hip");
  AddGeomObject(scene, "Box");
  LightObject* sun = AddLight(scene, {5, 5, 5});
  std::strncpy(sun->name, "Sun", sizeof(sun->name) - 1);
  BuildRenderables(&scene);
}

// Frames where a key lies and the one after it (a blend, or a fall-back past the last key), and the
// ends of the range: enough to reach every branch of the key search.
std::vector<uint32_t> FramesToPose(const AnimationSet& set) {
  std::vector<uint32_t> frames = {0, 1, set.last_frame / 2, set.last_frame, UINT32_MAX};
  auto add_first_keys = [&frames](const auto* key) {
    for (int n = 0; key != nullptr && n < 3; key = key->next, ++n) {
      frames.insert(frames.end(), {key->frame, key->frame + 1});
    }
  };
  for (const AnimationTrack* track = set.tracks; track != nullptr && frames.size() < 64; track = track->next) {
    add_first_keys(track->rotation_keys);
    add_first_keys(track->position_keys);
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteFuzzInput("input.ase", data, size);
  ScopedBoxCapture boxes;
  AseScene scene;
  BuildAnimatedScene(scene);
  const AnimationSet* set = LoadAnimation(&scene, path.c_str());
  if (set == nullptr) return 0;
  for (uint32_t frame : FramesToPose(*set)) {
    EvaluateNodeList(set, scene.geom_objects, frame);
    EvaluateNodeList(set, scene.lights, frame);
  }
  // The frame loop's own steps, from the start and across the loop point.
  for (uint32_t start : {0u, set->last_frame > 0 ? set->last_frame - 1 : 0u}) {
    animation_frame = start;
    for (int step = 0; step < 2; ++step) AdvanceAnimation(&scene);
  }
  return 0;
}
