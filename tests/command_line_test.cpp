// The programs' command line: options, their values, the one-line usage errors, and a help text that
// leaves no option out.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "render/view_modes.h"
#include "tests/test_support.h"

namespace {

CommandLine Parse(std::vector<std::string> words) {
  words.insert(words.begin(), "kestrel_sse");
  // The parse keeps pointers into argv, as main's own argv lives for the whole run.
  static std::vector<std::vector<std::string>> keep;
  keep.push_back(words);
  std::vector<char*> argv;
  for (std::string& word : keep.back()) argv.push_back(&word[0]);
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, OptionsCarryTheirValuesAndTheHelpNamesEachOne) {
  EXPECT_STREQ(Parse({}).launch.scene_path, "light.ase");
  const CommandLine command =
      Parse({"--scene", "room.ase", "--frames", "12", "--screenshot", "out.png", "--headless", "--device", "1", "--mode", "0",
             "--threads", "3", "--view", "wireframe", "--frame", "42", "--speed", "1/4", "--panel", "--lighting"});
  ASSERT_EQ(command.action, CommandLineAction::RUN) << command.error;
  EXPECT_STREQ(command.launch.scene_path, "room.ase");
  EXPECT_EQ(command.launch.frame_limit, 12u);
  EXPECT_TRUE(command.frames_given && command.force_headless);
  EXPECT_STREQ(command.launch.screenshot_path, "out.png");
  EXPECT_EQ(command.launch.device_index, 1);
  EXPECT_EQ(command.launch.mode_index, 0);
  EXPECT_EQ(command.relight_threads, 3u);
  EXPECT_EQ(command.view.mode, ViewMode::WIREFRAME);
  EXPECT_TRUE(command.view.hold_frame && command.view.panel && command.view.lighting);
  EXPECT_EQ(command.view.frame, 42u);
  EXPECT_EQ(command.view.speed, 0.25);
  EXPECT_EQ(Parse({"--info", "x.ase"}).action, CommandLineAction::SHOW_INFO);
  EXPECT_EQ(Parse({}).relight_threads, 0u) << "every online core unless given";
  EXPECT_EQ(Parse({"--frames", "3", "--help"}).action, CommandLineAction::SHOW_HELP);
  EXPECT_EQ(Parse({"--version"}).action, CommandLineAction::SHOW_VERSION);
  const std::string help = UsageText();
  // Every option and every key the help must name, one a line in the file.
  std::istringstream words(ReadTestData("help_words.txt"));
  for (std::string word; std::getline(words, word);) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

TEST(CommandLine, BadUsageIsOneLineAndNeverAPartialValue) {
  const std::vector<std::string> bad[] = {
      {"--frames", "0"}, {"--frames", "12x"}, {"--frames", "-3"}, {"--frames", "99999999999"},
      {"--device", "70000"}, {"--mode", ""}, {"--scene"}, {"--bogus"},
      {"--threads", "0"}, {"--threads", "-2"}, {"--threads", "two"}, {"--threads", "4x"}, {"--threads", "5000"},
      {"--threads"}, {"--view", "shaded"}, {"--view"}, {"--frame", "-1"}, {"--frame", "1x"},
      {"--speed", "9"}, {"--speed", "0"}, {"--info"}, {"a.ase", "b.ase"}, {"--scene", "a.ase", "b.ase"},
      {"a.ase", "--scene", "b.ase"}, {""}, {"-x"},
  };
  for (const auto& args : bad) {
    const CommandLine command = Parse(args);
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    EXPECT_EQ(command.action, CommandLineAction::USAGE_ERROR);
    EXPECT_FALSE(command.error.empty());
    EXPECT_EQ(command.error.find('\n'), std::string::npos);
  }
}

// The scene as a plain argument, as file viewers take it, or --scene, once; "--" lets a name begin with '-'.
TEST(CommandLine, TheSceneIsAPlainArgumentOrSceneOnceAndWatchIsAFlag) {
  const struct {
    std::vector<std::string> words;
    const char* scene;
  } cases[] = {
      {{"room.ase"}, "room.ase"},     {{"--frames", "3", "room.ase", "--headless"}, "room.ase"},
      {{"--scene", "room.ase"}, "room.ase"}, {{"--", "-odd.ase"}, "-odd.ase"},
      {{"--", "--help"}, "--help"},   {{"-"}, "-"},
  };
  for (const auto& c : cases) {
    const CommandLine command = Parse(c.words);
    ASSERT_EQ(command.action, CommandLineAction::RUN) << c.words[0] << command.error;
    EXPECT_STREQ(command.launch.scene_path, c.scene);
    EXPECT_TRUE(command.launch.scene_named);
  }
  EXPECT_FALSE(Parse({}).launch.scene_named);
  EXPECT_FALSE(Parse({"room.ase"}).launch.watch);
  EXPECT_TRUE(Parse({"--watch", "room.ase"}).launch.watch);
}

}  // namespace
