// Deterministic large ".ase" scenes for benchmarks, fuzz seeds and hand checks: a grid of mesh objects
// (wavy height fields with texture coordinates, normals and material ids), a material table with
// multi-materials, lights, target cameras, parent chains and optional position/rotation tracks, written
// the way the exporter lays its files out. The same options always give the same bytes. Options beyond
// what the format can hold (8-bit material counts) or the generator writes are clamped, never wrapped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct SceneGeneratorOptions {
  uint32_t object_count = 16;
  uint32_t faces_per_object = 512;  // at most 4,194,304
  uint32_t material_count = 4;  // table entries, at most 255; 0 writes no material list
  uint32_t submaterial_count = 3;  // of every odd table entry, at most 255; faces cycle through them
  uint32_t light_count = 1;  // the first is an omni light, later ones have targets
  uint32_t camera_count = 1;  // target cameras
  uint32_t animation_keys = 0;  // position and rotation samples per object and light; 0: no tracks
  uint32_t parent_chain = 4;  // objects are parented in chains of this length; 0 or 1: all top objects
  uint32_t seed = 1;  // varies the heights and colours
};

// The whole scene text.
std::string GenerateSceneText(const SceneGeneratorOptions& options);
// Writes the scene text to path; false when the file cannot be written whole.
bool WriteGeneratedScene(const SceneGeneratorOptions& options, const std::string& path);
// The options with the object count chosen so that the scene text comes close to target_bytes (never
// fewer than one object).
SceneGeneratorOptions OptionsForSize(size_t target_bytes, SceneGeneratorOptions options);
