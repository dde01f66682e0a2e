#include "animation/animation_set.h"

namespace {

template <class Key>
void DeleteKeys(Key*& head) {
  while (head != nullptr) {
    Key* next = head->next;
    delete head;
    head = next;
  }
}

}  // namespace

void DestroyAnimationSet(AnimationSet* set) {
  if (set == nullptr) return;
  while (set->tracks != nullptr) {
    AnimationTrack* next = set->tracks->next;
    DeleteKeys(set->tracks->rotation_keys);
    DeleteKeys(set->tracks->position_keys);
    DeleteKeys(set->tracks->scale_keys);
    delete set->tracks;
    set->tracks = next;
  }
  set->last_track = nullptr;
  set->track_count = 0;
}
