// Scene import speed in MB/s of scene file: the whole LoadScene of a generated scene of about 20 MB
// (reading, the renderable build without a device, and the report), then its teardown, for a scene of
// large meshes, one of many small objects and one whose objects form a single chain; and the animation
// pass over the scene of large meshes, which passes over every mesh line to find the tracks. Each file
// is written once into a private folder, which is also where the reports go.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "animation/animation_set.h"
#include "platform/test_hooks.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tools/lib_scene_generator.h"

namespace {

class GeneratedSceneFile {
 public:
  GeneratedSceneFile(size_t target_bytes, SceneGeneratorOptions options) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
    path_ = folder_ + "/generated.ase";
    options = OptionsForSize(target_bytes, options);
    object_count_ = options.object_count;
    if (!WriteGeneratedScene(options, path_)) return;
    std::error_code error;
    size_bytes_ = std::filesystem::file_size(path_, error);
    if (error) size_bytes_ = 0;
  }
  ~GeneratedSceneFile() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

  const std::string& folder() const { return folder_; }
  const std::string& path() const { return path_; }
  uintmax_t size_bytes() const { return size_bytes_; }
  uint32_t object_count() const { return object_count_; }

 private:
  std::string folder_;
  std::string path_;
  uintmax_t size_bytes_ = 0;
  uint32_t object_count_ = 0;
};

SceneGeneratorOptions LargeMeshes() {
  SceneGeneratorOptions options;
  options.faces_per_object = 2048;
  options.material_count = 8;
  options.light_count = 4;
  options.camera_count = 2;
  return options;
}

// Thousands of two-triangle objects in parent chains: every append and parent lookup must stay cheap.
SceneGeneratorOptions ManySmallObjects() {
  SceneGeneratorOptions options;
  options.faces_per_object = 2;
  options.parent_chain = 8;
  return options;
}

// Every object in one chain: past 5,793 links the ancestor budget cuts, so however long the chain, the
// build's time and memory stay bounded.
SceneGeneratorOptions OneLongChain() {
  SceneGeneratorOptions options = ManySmallObjects();
  options.parent_chain = UINT32_MAX;
  return options;
}

// Runs read(path) once per iteration in the file's folder.
template <class Read>
void ReadRepeatedly(benchmark::State& state, const GeneratedSceneFile& file, Read&& read) {
  if (file.size_bytes() == 0) {
    state.SkipWithError("could not write the generated scene");
    return;
  }
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(file.folder());
  for (auto _ : state) read(file.path().c_str());
  std::filesystem::current_path(previous);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size_bytes()));
  state.counters["file_MB"] = static_cast<double>(file.size_bytes()) / (1 << 20);
  state.counters["objects"] = file.object_count();
}

void LoadRepeatedly(benchmark::State& state, const GeneratedSceneFile& file) {
  ReadRepeatedly(state, file, [](const char* path) {
    AseScene scene;
    const bool read = LoadScene(&scene, path);
    benchmark::DoNotOptimize(read);
    benchmark::DoNotOptimize(scene.geom_objects);
  });
}

void BM_LoadLargeMeshes(benchmark::State& state) {
  static const GeneratedSceneFile file(size_t{20} << 20, LargeMeshes());
  LoadRepeatedly(state, file);
}

void BM_LoadManySmallObjects(benchmark::State& state) {
  static const GeneratedSceneFile file(size_t{20} << 20, ManySmallObjects());
  LoadRepeatedly(state, file);
}

void BM_LoadOneLongChain(benchmark::State& state) {
  static const GeneratedSceneFile file(size_t{20} << 20, OneLongChain());
  // The budget's box would otherwise be printed at every load.
  BeginCaptureMessageBoxes();
  LoadRepeatedly(state, file);
  EndCaptureMessageBoxes();
}

void BM_AnimationPassLargeMeshes(benchmark::State& state) {
  SceneGeneratorOptions options = LargeMeshes();
  options.animation_keys = 30;
  static const GeneratedSceneFile file(size_t{20} << 20, options);
  ReadRepeatedly(state, file, [](const char* path) {
    AnimationSet set = {};
    ReadAnimationFile(&set, path);
    benchmark::DoNotOptimize(set.tracks);
    DestroyAnimationSet(&set);
  });
}

BENCHMARK(BM_LoadLargeMeshes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadManySmallObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOneLongChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnimationPassLargeMeshes)->Unit(benchmark::kMillisecond);

}  // namespace
