// Per-frame posing: once per rendered frame AdvanceAnimation poses every geometric object and light of
// the scene at the process-wide animation frame from the current set's keys, builds the world matrices
// through each node's ancestors, steps the frame (looping before last_frame) and relights the scene
// from the first light's posed position. Nodes without a track keep their static pose; keys are walked
// to the end of their lists, so keys out of frame order give odd poses but never a fault.
#pragma once

#include <cstdint>

#include "math/math3d.h"

struct AseScene;
struct AnimationSet;
struct SceneNode;

// The frame being played; 0 at program start and never reset by a load. Written only by
// AdvanceAnimation (tests set it to pose a chosen frame).
extern uint32_t animation_frame;

void AdvanceAnimation(AseScene* scene);
// Poses every node of the list at frame, then builds their world matrices, so an ancestor later in
// the list is still posed at the same frame.
void EvaluateNodeList(const AnimationSet* set, SceneNode* first_node, uint32_t frame);
// The node's local_matrix at frame.
void EvaluateNode(const AnimationSet* set, SceneNode* node, uint32_t frame);
// The translation of the scene's first light's world matrix as (x, y, z, 0); false when there is no light.
bool AnimatedLightPosition(const AseScene* scene, Vector4* out);
