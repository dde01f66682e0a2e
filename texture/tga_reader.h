// Reads a TGA file into the common picture: the 18-byte header, then width x height pixels of three
// bytes B, G, R taken in file order (so the usual bottom-left origin gives the bottom row first), each
// made opaque. Only the header's image type is judged (1, 2, 3, 9, 10, 11 pass); the ID field, colour
// map, run-length encoding and pixel depth are not decoded. A file too short to hold every pixel, or
// with a side of 0, is refused rather than padded. Failures show no message.
#pragma once

#include <cstdint>

struct TextureEntry;

// True with a new picture in out_picture and the entry's width and height set; false with nothing
// touched. The path is resolved as a name read from a scene.
bool LoadTgaPicture(TextureEntry& entry, const char* path, uint8_t*& out_picture);
