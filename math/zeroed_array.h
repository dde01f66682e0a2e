// Allocation of the zero-filled arrays that the scene records own. Sizes come from files, so the
// product is checked: a count of 0, a size that overflows, or a failed allocation gives null.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

template <class T>
T* NewZeroedArray(size_t count) {
  if (count == 0 || count > SIZE_MAX / sizeof(T)) return nullptr;
  return new (std::nothrow) T[count]();
}

template <class T>
void DeleteArray(T*& array) {
  delete[] array;
  array = nullptr;
}
