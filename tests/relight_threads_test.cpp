// The relight's threads: every item of a run done once, by all the threads asked for; and both programs
// drawing and reporting the same bytes on one thread and on several.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "lightmap/relight_threads.h"
#include "tests/test_support.h"

namespace {

struct Tally {
  std::vector<std::atomic<int>> done;
  std::mutex mutex;
  std::set<std::thread::id> threads;
  std::atomic<unsigned> waiting{0};
  unsigned expected_threads = 1;
  explicit Tally(uint32_t items) : done(items) {}
};

// Counts each item and, on its first piece, waits a while for every thread to arrive, so that a pool
// that leaves a worker idle shows it.
void CountItems(void* context, uint32_t first, uint32_t end) {
  Tally& tally = *static_cast<Tally*>(context);
  {
    std::lock_guard<std::mutex> hold(tally.mutex);
    tally.threads.insert(std::this_thread::get_id());
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  if (tally.waiting.fetch_add(1) < tally.expected_threads) {
    while (tally.waiting.load() < tally.expected_threads && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::yield();
    }
  }
  for (uint32_t i = first; i < end; ++i) tally.done[i].fetch_add(1);
}

TEST(RelightThreads, EveryItemIsDoneOnceByAllTheThreadsAskedFor) {
  const struct {
    unsigned threads;
    uint32_t items, grain;
  } cases[] = {{1, 1000, 7}, {2, 1000, 1}, {3, 999, 5}, {7, 64, 1}, {3, 2, 1}, {2, 5, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.items << " items by " << c.grain);
    ASSERT_TRUE(StartRelightThreads(c.threads));
    EXPECT_EQ(RelightThreadCount(), c.threads);
    Tally tally(c.items);
    // A run of one piece stays on the asking thread; otherwise every thread takes part.
    const uint32_t pieces = (c.items + c.grain - 1) / c.grain;
    tally.expected_threads = std::min<unsigned>(c.threads, pieces == 1 ? 1 : pieces);
    RunOnRelightThreads(c.items, c.grain, &CountItems, &tally);
    for (uint32_t i = 0; i < c.items; ++i) ASSERT_EQ(tally.done[i].load(), 1) << "item " << i;
    EXPECT_EQ(tally.threads.size(), tally.expected_threads);
    RunOnRelightThreads(0, 1, &CountItems, &tally);
  }
  StopRelightThreads();
  EXPECT_EQ(RelightThreadCount(), 1u);
  EXPECT_FALSE(StartRelightThreads(0));
}

// The picture's pixels below the frame counter, whose figure depends on the machine's speed.
std::vector<uint8_t> PictureBelowCounter(const std::string& png) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load(png.c_str(), &width, &height, &channels, 3);
  if (pixels == nullptr || height <= 44) return {};
  std::vector<uint8_t> below(pixels + size_t{44} * width * 3, pixels + static_cast<size_t>(height) * width * 3);
  stbi_image_free(pixels);
  return below;
}

TEST(RelightThreads, BothProgramsDrawAndReportTheSameBytesOnOneThreadAndOnSeveral) {
  for (const char* program : {"kestrel_sse", "kestrel_scalar"}) {
    std::vector<std::string> runs;
    for (const char* threads : {"1", "3"}) {
      SCOPED_TRACE(std::string(program) + " --threads " + threads);
      ScopedTempDir dir;
      CopyDefaultScene(dir.path());
      const CommandRun ran = RunBuiltProgram(program, std::string("--headless --frames 40 --screenshot frame.png --threads ") + threads);
      ASSERT_EQ(ran.status, 0) << ran.err;
      const std::string& line = ran.out;
      EXPECT_NE(line.find(std::string(", ") + threads + " relight threads)"), std::string::npos) << line;
      const std::vector<uint8_t> picture = PictureBelowCounter("frame.png");
      ASSERT_FALSE(picture.empty());
      // The reports: the scene's, the animation's and each skinned mesh's; not the side file read in.
      std::set<std::string> reports;
      for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".txt" && name != "stdout.txt" && name != "stderr.txt" && name != "light.txt") {
          reports.insert(name);
        }
      }
      EXPECT_GE(reports.size(), 3u);
      std::string run(picture.begin(), picture.end());
      for (const std::string& name : reports) run += "\n" + name + "\n" + ReadTextFile(name);
      runs.push_back(run);
    }
    EXPECT_TRUE(runs[0] == runs[1]) << program << ": the picture or a report differs between 1 and 3 threads";
  }
}

}  // namespace
