// Bytes of scene text read per second by the animation pass, for files of many tracks and for one track
// of many controller blocks: the read should stay linear in the file's length in both shapes.
#include <benchmark/benchmark.h>

#include <string>

#include "animation/animation_set.h"
#include "scene/text_stream.h"

namespace {

std::string ManyTracks(int64_t count) {
  std::string text = "*SCENE { *SCENE_TICKSPERFRAME 160 }\n";
  for (int64_t i = 0; i < count; ++i) {
    text += "*TM_ANIMATION { *NODE_NAME \"Node" + std::to_string(i) +
            "\" *CONTROL_ROT_TRACK { *CONTROL_ROT_SAMPLE 0 0 0 1 0.5 } }\n";
  }
  return text;
}

std::string ManyBlocks(int64_t count) {
  std::string text = "*SCENE { *SCENE_TICKSPERFRAME 160 }\n*TM_ANIMATION { *NODE_NAME \"Node\"\n";
  for (int64_t i = 0; i < count; ++i) {
    text += "*CONTROL_POS_TRACK { *CONTROL_POS_SAMPLE " + std::to_string(160 * i) + " 1.0 2.0 3.0 }\n";
  }
  return text + "}\n";
}

template <std::string (*Generate)(int64_t)>
void BM_ReadAnimation(benchmark::State& state) {
  const std::string text = Generate(state.range(0));
  for (auto _ : state) {
    TextStream stream;
    stream.OpenMemory(text.data(), text.size());
    AnimationSet set = {};
    ReadAnimationStream(&set, stream);
    benchmark::DoNotOptimize(set.tracks);
    DestroyAnimationSet(&set);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK_TEMPLATE(BM_ReadAnimation, ManyTracks)->RangeMultiplier(4)->Range(1024, 65536)->Complexity();
BENCHMARK_TEMPLATE(BM_ReadAnimation, ManyBlocks)->RangeMultiplier(4)->Range(1024, 65536)->Complexity();
