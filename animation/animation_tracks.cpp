// Loading an animation into a scene and binding its tracks to the nodes by name. Every load appends a
// set and rebinds every node to it, so a node that the newest file does not animate stands still.
#include <cstring>
#include <new>

#include "animation/animation_set.h"
#include "scene/ase_scene.h"

AnimationTrack* FindTrack(const AnimationSet* set, const char* name) {
  if (set == nullptr || name == nullptr) return nullptr;
  for (AnimationTrack* track = set->tracks; track != nullptr; track = track->next) {
    if (std::strcmp(track->node_name, name) == 0) return track;
  }
  return nullptr;
}

void BindTracks(const AnimationSet* set, SceneNode* first_node) {
  for (SceneNode* node = first_node; node != nullptr; node = node->next) {
    node->animation_track = FindTrack(set, node->name);
  }
}

AnimationSet* LoadAnimation(AseScene* scene, const char* path) {
  if (scene == nullptr) return nullptr;
  AnimationSet* set = new (std::nothrow) AnimationSet();
  if (set == nullptr) return nullptr;
  if (path != nullptr) scene->input_files.Add(path, "the scene file");
  ReadAnimationFile(set, path, scene->input_files.ReportPath("out.txt"));

  set->next = nullptr;
  if (scene->animation_sets == nullptr) {
    scene->animation_sets = set;
  } else {
    AnimationSet* last = scene->animation_sets;
    while (last->next != nullptr) last = last->next;
    last->next = set;
  }
  BindTracks(set, scene->geom_objects);
  if (scene->lights != nullptr) BindTracks(set, scene->lights);
  scene->current_animation = set;
  // An 8-bit count: it wraps after 255 loads, and nothing indexes by it.
  ++scene->animation_count;
  return set;
}
