#include "lightmap/relight_batch.h"

#include <algorithm>

void RelightBatch::Begin(const Vector4& light_position) {
  light = light_position;
  groups.clear();
  pieces.clear();
  tile_total = 0;
}

void RelightBatch::Add(GroupLightmap* lightmap, uint32_t tiles, const LockedTiles& memory) {
  if (lightmap == nullptr || lightmap->tiles == nullptr) return;
  const uint32_t lit = std::min({tiles, lightmap->tile_count, memory.tile_limit});
  if (lit == 0) return;
  tile_total += lit;
  const uint32_t group = static_cast<uint32_t>(groups.size());
  groups.push_back(Group{lightmap, memory, false});
  for (uint32_t first = 0; first < lit;) {
    const uint32_t end = first + std::min(RELIGHT_PIECE_TILES, lit - first);
    pieces.push_back(Piece{group, first, end});
    first = end;
  }
}

void RelightBatch::LockAndAdd(GroupLightmap* lightmap, uint32_t tiles) {
  LockedTiles memory;
  if (!LockLightmapSurface(lightmap, tiles, &memory)) return;
  const size_t before = groups.size();
  Add(lightmap, tiles, memory);
  if (groups.size() == before) {
    // Nothing the lock lets us write: give it back now rather than hold it for nothing.
    UnlockLightmapSurface(lightmap);
    return;
  }
  groups.back().locked = true;
}

void RelightBatch::UnlockAll() {
  for (Group& group : groups) {
    if (group.locked) UnlockLightmapSurface(group.lightmap);
    group.locked = false;
  }
}
