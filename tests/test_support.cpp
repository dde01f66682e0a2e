#include "tests/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

ScopedTempDir::ScopedTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  previous_ = std::filesystem::current_path().string();
  std::filesystem::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void WriteTextFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

std::string PathOfLength(const std::string& folder, size_t length, const std::string& extension) {
  // Folder names of 150 bytes keep every name below the system's 255.
  std::string path = folder;
  while (length - path.size() > 200) {
    path += "/" + std::string(150, 'd');
    std::filesystem::create_directory(path);
  }
  return path + "/" + std::string(length - path.size() - 1 - extension.size(), 'f') + extension;
}

std::string ReadTextFile(const std::string& path, bool* exists) {
  std::ifstream in(path, std::ios::binary);
  if (exists != nullptr) *exists = static_cast<bool>(in);
  if (!in) return std::string();
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string TestDataPath(const std::string& name) { return std::string(KESTREL_TEST_DATA_DIR) + "/" + name; }

std::string ReadTestData(const std::string& name) {
  bool exists = false;
  std::string contents = ReadTextFile(TestDataPath(name), &exists);
  if (!exists) throw std::runtime_error("missing test data " + name);
  return contents;
}

std::vector<DataCase> ReadDataCases(const std::string& name) {
  const std::string text = ReadTestData(name);
  std::vector<DataCase> cases;
  for (size_t start = text.find("=== "), next; start != std::string::npos; start = next) {
    next = text.find("\n=== ", start);
    const std::string section = text.substr(start + 4, next == std::string::npos ? next : next + 1 - start - 4);
    if (next != std::string::npos) ++next;
    const size_t title = section.find('\n'), rule = section.find("\n---\n", title);
    if (rule == std::string::npos) throw std::runtime_error("no \"---\" in " + name + ": " + section);
    cases.push_back({section.substr(0, title), section.substr(title + 1, rule + 1 - std::min(rule + 1, title + 1)),
                     section.substr(rule + 5)});
  }
  if (cases.empty()) throw std::runtime_error("no cases in " + name);
  return cases;
}

std::string BinaryDirPath(const std::string& name) { return std::string(KESTREL_BINARY_DIR) + "/" + name; }

const char* const DEFAULT_SCENE_FILES[DEFAULT_SCENE_FILE_COUNT] = {"light.ase", "light.txt", "floor.tif",
                                                                  "panel.tif", "wall.tga",  "stone.tga"};

void CopyDefaultScene(const std::string& folder) {
  for (const char* name : DEFAULT_SCENE_FILES) {
    WriteTextFile(folder + "/" + name, ReadTextFile(std::string(KESTREL_SOURCE_DIR) + "/assets/" + name));
  }
}

CommandRun RunBuiltProgram(const std::string& program, const std::string& args, const std::string& prefix) {
  const std::string command = prefix + " '" + BinaryDirPath(program) + "' " + args + " >stdout.txt 2>stderr.txt";
  const int raw = std::system(command.c_str());
  return CommandRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), ReadTextFile("stdout.txt"),
                    ReadTextFile("stderr.txt")};
}
