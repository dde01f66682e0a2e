// The program itself, started as its own process on the default scene and on each damaged scene of
// tests/data/malformed/: it must render every frame asked for, end with status 0 and show exactly the
// message boxes its load and scene setup define (headless, a box is a "Caption: text" line on standard
// error). In the sanitizer build the program carries ASan and UBSan too, so any finding fails here.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

constexpr int FRAMES = 3;

struct ProgramRun : CommandRun {
  std::string boxes;  // the lines of err that are message boxes, in order
};

// Runs the program headless in the working directory (a ScopedTempDir) on scene_path.
ProgramRun RunProgram(const std::string& scene_path, const std::string& more = "") {
  ProgramRun run = {RunBuiltProgram("kestrel_sse", "--headless --frames " + std::to_string(FRAMES) + " --scene '" +
                                                        scene_path + "' " + more), ""};
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) {
    for (const char* caption : {"Report: ", "TIF Error: ", "ERROR: "}) {
      if (line.rfind(caption, 0) == 0) run.boxes += line + "\n";
    }
  }
  return run;
}

// A clean run: status 0, all frames drawn, and nothing from the sanitizers or the C++ runtime.
void ExpectCleanRun(const ProgramRun& run) {
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("kestrel: " + std::to_string(FRAMES) + " frames in ", 0), 0u) << run.out;
  for (const char* finding : {"Sanitizer", "runtime error", "terminate called"}) {
    EXPECT_EQ(run.err.find(finding), std::string::npos) << run.err;
  }
  EXPECT_TRUE(FileExists("kestrel.png"));
}

// The cases of tests/data/malformed/runs.txt: each scene there, and the boxes its run must show.
TEST(ProgramRun, DamagedScenesRunCleanlyWithTheirMessages) {
  for (const DataCase& c : ReadDataCases("malformed/runs.txt")) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    const ProgramRun run = RunProgram(TestDataPath("malformed/" + c.name));
    ExpectCleanRun(run);
    EXPECT_EQ(run.boxes, c.expected) << run.err;
  }
}

// What the caller can act on: the status, and one line on standard error naming what went wrong.
TEST(ProgramRun, FailuresEndWithTheirStatusAndNameTheCause) {
  ScopedTempDir dir;
  CopyDefaultScene(dir.path());
  std::filesystem::create_directory("folder");
  // Files that open but are no scene.
  WriteTextFile("empty.ase", "");
  WriteTextFile("mark.ase", "\xEF\xBB\xBF");
  WriteTextFile("utf16_mark.ase", "\xFF\xFE");
  std::string utf32 = "\xFF\xFE";
  utf32 += std::string(2, '\0');
  for (char c : std::string("*3DSMAX_ASCIIEXPORT 200\n")) utf32 += c + std::string(3, '\0');
  WriteTextFile("utf32.ase", utf32);
  WriteTextFile("notes.txt", "a note\n");
  std::filesystem::copy_file(TestDataPath("malformed/wrong_header.ase"), "wrong_header.ase");
  for (const DataCase& c : ReadDataCases("malformed/failures.txt")) {
    SCOPED_TRACE(c.name + " " + c.input);
    const ProgramRun run = RunProgram(c.name, c.input.substr(0, c.input.find('\n')));
    EXPECT_EQ(std::to_string(run.status) + " " + run.err.substr(0, c.expected.size() - 2), c.expected);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(FileExists("kestrel.png"));
    EXPECT_FALSE(FileExists("test.txt"));
  }
}

TEST(ProgramRun, AParentLoopThousandsOfLinksLongIsPosedEveryFrame) {
  ScopedTempDir dir;
  // With a light and a camera the whole scene setup runs too.
  WriteTextFile("chain.ase", ParentChainScene({5000}, true) +
                                 "*LIGHTOBJECT {\n*NODE_NAME \"Lamp\"\n*NODE_TM {\n*TM_POS 0 0 50\n}\n}\n"
                                 "*CAMERAOBJECT {\n*NODE_NAME \"Eye\"\n*NODE_TM {\n*TM_POS 0 -100 0\n}\n"
                                 "*NODE_TM {\n*TM_POS 0 0 0\n}\n}\n");
  const ProgramRun run = RunProgram("chain.ase");
  ExpectCleanRun(run);
  EXPECT_TRUE(run.boxes.empty()) << run.err;
}

}  // namespace
