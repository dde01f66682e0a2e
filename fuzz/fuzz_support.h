// What every fuzz target shares: a private working folder (the readers take paths and some write
// reports into the working directory), the input written there as a file, and message boxes captured
// so that no input ever waits on a modal box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Makes a fresh folder under the system's temporary folder once per process and changes into it, so
// reports land there and never in the tree. The fuzzer must be given absolute corpus paths.
void EnterFuzzWorkDir();

// Writes the input bytes to file_name in the working folder, replacing what was there; returns its
// absolute path. Aborts when the file cannot be written, since every later result would be meaningless.
std::string WriteFuzzInput(const char* file_name, const uint8_t* data, size_t size);

// Captures every message box for its lifetime and drops what it caught.
class ScopedBoxCapture {
 public:
  ScopedBoxCapture();
  ~ScopedBoxCapture();
  ScopedBoxCapture(const ScopedBoxCapture&) = delete;
  ScopedBoxCapture& operator=(const ScopedBoxCapture&) = delete;
};

// One input through LoadPicture as the file file_name, whose extension picks the reader. A picture that
// loads is read at its last byte: it must be as large as the sides the reader reported.
void LoadFuzzPicture(const char* file_name, const uint8_t* data, size_t size);
