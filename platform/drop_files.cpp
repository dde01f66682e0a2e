// Files dropped on a window: SDL gives one event per file, and each becomes a WM_DROPFILES of its own
// whose HDROP holds that name until DragFinish.
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui_internal.h"

struct HDROP__ {
  std::vector<std::string> files;
};

HDROP NewDrop(const char* file) {
  HDROP drop = new HDROP__();
  drop->files.push_back(file != nullptr ? file : "");
  return drop;
}

UINT DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
  if (drop == nullptr) return 0;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(drop->files.size());
  if (index >= drop->files.size()) return 0;
  const std::string& name = drop->files[index];
  if (file != nullptr && size > 0) {
    const size_t length = name.size() < size - 1 ? name.size() : size - 1;
    std::memcpy(file, name.data(), length);
    file[length] = '\0';
  }
  return static_cast<UINT>(name.size());
}

void DragFinish(HDROP drop) { delete drop; }
