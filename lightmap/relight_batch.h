// One relight of many face groups: the groups' locked texture memory and their tiles cut into pieces
// for the relight threads. The lists keep their room from one relight to the next, so a frame
// allocates nothing once the first has grown them. Every lock taken by LockAndAdd is given back by
// UnlockAll; a group whose lock fails is not added.
#pragma once

#include <cstdint>
#include <vector>

#include "lightmap/lightmap.h"
#include "lightmap/lightmap_texture.h"

// Tiles per piece: 8,192 texels, some microseconds of lighting, so the threads share the tail of a
// relight evenly while the hand-out costs nothing beside the light.
constexpr uint32_t RELIGHT_PIECE_TILES = 128;
// A relight of fewer tiles than this is lit on the asking thread alone: waking a worker takes about as
// long. Counted in tiles, not pieces, since a scene of many small groups has a short piece per group.
constexpr uint32_t RELIGHT_TILES_TO_SHARE = 4 * RELIGHT_PIECE_TILES;

struct RelightBatch {
  struct Group {
    GroupLightmap* lightmap;
    LockedTiles memory;
    bool locked;  // by LockAndAdd, so UnlockAll unlocks it
  };
  struct Piece {
    uint32_t group;  // index into groups
    uint32_t first_tile, end_tile;
  };

  // Empties the lists (keeping their room) for a relight with this light.
  void Begin(const Vector4& light_position);
  // Adds the group's first `tiles` tiles, as far as the lightmap and the memory hold them.
  void Add(GroupLightmap* lightmap, uint32_t tiles, const LockedTiles& memory);
  // Locks the rows of the group's texture that hold its first `tiles` tiles and adds them; nothing
  // without a texture or when the lock fails.
  void LockAndAdd(GroupLightmap* lightmap, uint32_t tiles);
  // Unlocks every texture that LockAndAdd locked.
  void UnlockAll();

  Vector4 light = {};
  std::vector<Group> groups;
  std::vector<Piece> pieces;
  uint64_t tile_total = 0;  // over all pieces
};
