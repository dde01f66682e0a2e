#include "skin/skin_weights.h"

#include "math/zeroed_array.h"

void DestroyVertexWeights(VertexWeights* table, uint32_t count) {
  if (table == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) DeleteArray(table[i].influences);
  delete[] table;
}
