// The TGA reader on arbitrary bytes, through the picture loader the texture cache uses.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadFuzzPicture("input.tga", data, size);
  return 0;
}
