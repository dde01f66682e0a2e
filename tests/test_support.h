// Helpers shared by the tests: a private working folder per test (reports are written into the working
// directory), reading and writing whole files, and the paths of the test data and built programs.
#pragma once

#include <string>
#include <vector>

#include "math/math3d.h"

// Creates a fresh folder under the system's temporary folder and changes into it; changes back and
// removes it (with everything in it) when destroyed.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

void WriteTextFile(const std::string& path, const std::string& contents);
// The whole file, or an empty string with *exists false when it cannot be read.
std::string ReadTextFile(const std::string& path, bool* exists = nullptr);
bool FileExists(const std::string& path);

// A path of exactly length bytes under folder (which must be shorter by a few hundred), ending in
// extension; the folders on the way are made, the file is not.
std::string PathOfLength(const std::string& folder, size_t length, const std::string& extension);

std::string TestDataPath(const std::string& name);
// A fixture file under tests/data, whole; throws (failing the test) when it is missing, so that a lost
// fixture never passes as an empty one.
std::string ReadTestData(const std::string& name);
// The cases of a data file under tests/data: after a note, sections "=== name", an input, a line
// "---", and what the input must give (the rest of the section).
struct DataCase {
  std::string name, input, expected;
};
std::vector<DataCase> ReadDataCases(const std::string& name);
// The default scene, its side file and its bitmaps, by the names under assets/.
constexpr int DEFAULT_SCENE_FILE_COUNT = 6;
extern const char* const DEFAULT_SCENE_FILES[DEFAULT_SCENE_FILE_COUNT];
// Copies every one of them from assets/ into folder.
void CopyDefaultScene(const std::string& folder);
std::string BinaryDirPath(const std::string& name);
// A built program run in the working folder with args (as a shell writes them), after prefix (a command
// that runs it, such as timeout); standard output and error land in stdout.txt and stderr.txt.
struct CommandRun {
  int status;  // the exit status, or 128 + the signal that ended it
  std::string out, err;
};
CommandRun RunBuiltProgram(const std::string& program, const std::string& args, const std::string& prefix = "");

// Each component within tolerance (0: exactly equal), reported per component.
void ExpectVectorNear(const Vector3& got, const Vector3& want, float tolerance = 1e-5f);
