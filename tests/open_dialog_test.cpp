// The Open dialog's model (filters, folders, typed names) and GetOpenFileNameA answered through the
// test hooks, as File/Open calls it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/commdlg.h"
#include "platform/file_browser.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "tests/test_support.h"

namespace {

// The two filters of File/Open, as the zero-separated pairs the caller passes.
const char SCENE_FILTERS[] = "3DS MAX ASE (*.ase)\0*.ASE\0ASE Files (*.*)\0*.*\0";

std::vector<std::string> Names(const FileBrowser& browser) {
  std::vector<std::string> names;
  for (const BrowserEntry& entry : browser.entries()) names.push_back(entry.is_folder ? entry.name + "/" : entry.name);
  return names;
}

// Lays out a folder of scenes and other files in the test's temporary folder.
void LayOutFolder() {
  std::filesystem::create_directories("scenes/empty");
  WriteTextFile("scenes/light.ase", "*3DSMAX_ASCIIEXPORT");
  WriteTextFile("scenes/ROOM.ASE", "*3DSMAX_ASCIIEXPORT");
  WriteTextFile("scenes/light.txt", "weights");
  WriteTextFile("scenes/.hidden.ase", "");
}

}  // namespace

TEST(FileFilters, PairsAndPatternsMatchAsTheDialogShowsThem) {
  std::vector<FileFilter> filters = ParseFilterPairs(SCENE_FILTERS);
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description + filters[0].patterns + filters[1].patterns, "3DS MAX ASE (*.ase)*.ASE*.*");
  // A description without its pattern is not a filter.
  EXPECT_EQ(ParseFilterPairs("Lonely\0\0").size() + ParseFilterPairs(nullptr).size(), 0u);

  std::istringstream lines(ReadTestData("file_patterns.txt"));
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t'), last = line.rfind('\t');
    if (line.rfind('#', 0) == 0 || tab == last) continue;
    EXPECT_EQ(MatchesFilePattern(line.substr(0, tab), line.substr(tab + 1, last - tab - 1)), line[last + 1] == '1') << line;
  }
}

TEST(FileBrowserModel, WalksFoldersAndTakesTypedNames) {
  ScopedTempDir temp;
  LayOutFolder();
  FileBrowser browser(ParseFilterPairs(SCENE_FILTERS), 0, "scenes", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, "");
  EXPECT_EQ(Names(browser), (std::vector<std::string>{"empty/", "light.ase", "ROOM.ASE"}));
  std::string chosen, message;
  // A typed wildcard becomes the filter; a folder name walks into it; ".." comes back out.
  EXPECT_EQ(browser.Submit("*.txt", &chosen, &message), FileBrowser::Outcome::LISTED);
  EXPECT_EQ(Names(browser), (std::vector<std::string>{"empty/", "light.txt"}));
  EXPECT_EQ(browser.Submit("empty", &chosen, &message), FileBrowser::Outcome::LISTED);
  EXPECT_TRUE(Names(browser).empty() && browser.EnterFolder(".."));
  // Windows separators in a typed path are separators here too.
  EXPECT_EQ(browser.Submit("empty\\..\\light.ase", &chosen, &message), FileBrowser::Outcome::CHOSEN);
  EXPECT_EQ(chosen, (std::filesystem::current_path() / "scenes" / "light.ase").string());
  EXPECT_EQ(browser.Submit("missing.ase", &chosen, &message), FileBrowser::Outcome::REFUSED);
  EXPECT_NE(message.find("File not found."), std::string::npos);
}

TEST(OpenFileDialog, QueuedAnswersAreCheckedLikeTypedPaths) {
  ScopedTempDir temp;
  ASSERT_TRUE(StartPlatform(true));
  LayOutFolder();
  char path[260] = {};
  OPENFILENAMEA ofn = {};  // as File/Open fills it
  ofn.lStructSize = 76;
  ofn.lpstrFilter = SCENE_FILTERS;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = 128;
  ofn.Flags = OFN_READONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

  // A missing file is refused with the dialog's warning, and the next answer is taken.
  QueueOpenFileAnswer("scenes/missing.ase");
  QueueOpenFileAnswer("scenes/light.ase");
  BeginCaptureMessageBoxes();
  EXPECT_TRUE(GetOpenFileNameA(&ofn));
  std::vector<CapturedMessageBox> boxes = EndCaptureMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Open");
  EXPECT_EQ(boxes[0].text, "scenes/missing.ase\nFile not found.\nCheck the file name and try again.");
  EXPECT_STREQ(path, "scenes/light.ase");

  // Cancel, and no answer at all, both leave the buffer as it was.
  std::memset(path, 0, sizeof(path));
  QueueOpenFileCancel();
  EXPECT_FALSE(GetOpenFileNameA(&ofn));
  EXPECT_FALSE(GetOpenFileNameA(&ofn));
  EXPECT_STREQ(path, "");

  // A path longer than the caller's buffer fails and says how much room it needs.
  std::string long_name = "scenes/" + std::string(140, 'x') + ".ase";
  WriteTextFile(long_name, "");
  QueueOpenFileAnswer(long_name);
  EXPECT_FALSE(GetOpenFileNameA(&ofn));
  WORD needed = 0;
  std::memcpy(&needed, path, sizeof(needed));
  EXPECT_EQ(needed, long_name.size() + 1);

  ClearQueuedAnswers();
}
