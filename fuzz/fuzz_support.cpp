#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/test_hooks.h"
#include "scene/text_stream.h"
#include "texture/picture.h"
#include "texture/texture_cache.h"

namespace {

std::string g_work_dir;  // written once by EnterFuzzWorkDir

}  // namespace

void EnterFuzzWorkDir() {
  if (!g_work_dir.empty()) return;
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
    std::perror("kestrel fuzz: work folder");
    std::abort();
  }
  g_work_dir = pattern;
}

std::string WriteFuzzInput(const char* file_name, const uint8_t* data, size_t size) {
  EnterFuzzWorkDir();
  // The text readers stream through a window; a small one that changes with the input puts its edges
  // inside every kind of token, number and name.
  g_text_window_bytes = 16 + size % 97;
  const std::string path = g_work_dir + "/" + file_name;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || (size != 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
    std::perror("kestrel fuzz: input file");
    std::abort();
  }
  return path;
}

ScopedBoxCapture::ScopedBoxCapture() { BeginCaptureMessageBoxes(); }
ScopedBoxCapture::~ScopedBoxCapture() { EndCaptureMessageBoxes(); }

void LoadFuzzPicture(const char* file_name, const uint8_t* data, size_t size) {
  const std::string path = WriteFuzzInput(file_name, data, size);
  ScopedBoxCapture boxes;
  TextureEntry entry = {};
  uint8_t* picture = nullptr;
  if (!LoadPicture(entry, path.c_str(), picture)) return;
  volatile uint8_t last = picture[size_t{entry.width} * entry.height * PICTURE_BYTES_PER_PIXEL - 1];
  (void)last;
  FreePicture(picture);
}
