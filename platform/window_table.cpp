// Window classes and top-level windows: each HWND is a record holding an SDL window with its OpenGL
// context and its Dear ImGui context. The outer size given to CreateWindowExA is the SDL window's size;
// the window manager's frame and caption lie outside it, the way Win32's non-client frame lies outside
// the client area, and the menu bar is drawn inside it at the top, so the client area is the outer
// size less the menu bar's height (640 x 480 with menu 147 gives a client area of 640 x 461).
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

struct ClassRecord {
  std::string name;
  ATOM atom;
  WNDPROC window_proc;
  HINSTANCE instance;
  HBRUSH background;
};

// Written by RegisterClassA / CreateWindowExA / DestroyWindow and the dialog code; one UI thread.
std::vector<ClassRecord> g_classes;
std::map<uintptr_t, std::unique_ptr<WindowRecord>> g_windows;
uintptr_t g_next_handle = 0x10010;
ATOM g_next_atom = 0xC000;  // where Win32 numbers registered classes

const int DEFAULT_WIDTH_PX = 640;
const int DEFAULT_HEIGHT_PX = 480;
// ImGui's menu bar with its default font and padding (13 + 2 x 3 pixels), Win32's menu height at 96 DPI.
const int MENU_BAR_HEIGHT_PX = 19;

// Stock objects are tagged small integers; only the brushes exist.
const uintptr_t STOCK_OBJECT_BASE = 0x7F00;
const COLORREF STOCK_BRUSH_COLOURS[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                        RGB(64, 64, 64),    RGB(0, 0, 0),       RGB(0, 0, 0)};
const int STOCK_BRUSH_COUNT = 6;

bool SameClassName(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

const ClassRecord* FindClass(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (const ClassRecord& record : g_classes) {
    if (IS_INTRESOURCE(name) ? record.atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name))
                             : SameClassName(record.name, name)) {
      return &record;
    }
  }
  return nullptr;
}

COLORREF BrushColour(HBRUSH brush) {
  uintptr_t value = reinterpret_cast<uintptr_t>(brush);
  if (value >= STOCK_OBJECT_BASE && value < STOCK_OBJECT_BASE + STOCK_BRUSH_COUNT) {
    return STOCK_BRUSH_COLOURS[value - STOCK_OBJECT_BASE];
  }
  return RGB(255, 255, 255);  // no brush, or a system colour index: a plain window background
}

const MenuResource* MenuOfHandle(HMENU menu) {
  const MenuResource* resource = reinterpret_cast<const MenuResource*>(menu);
  return resource != nullptr && FindMenuResource(resource->id) == resource ? resource : nullptr;
}

// Restores the context that was current before a window was created or torn down.
class CurrentContextKeeper {
 public:
  CurrentContextKeeper() : window_(SDL_GL_GetCurrentWindow()), context_(SDL_GL_GetCurrentContext()) {}
  ~CurrentContextKeeper() {
    if (context_ != nullptr && SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
  }
  void Forget(void* context) {
    if (context_ == context) context_ = nullptr;
  }

 private:
  SDL_Window* window_;
  SDL_GLContext context_;
};

}  // namespace

WindowRecord* FindWindowRecord(HWND window) {
  auto found = g_windows.find(reinterpret_cast<uintptr_t>(window));
  return found == g_windows.end() ? nullptr : found->second.get();
}

WindowRecord* FindTopLevelRecord(HWND window) {
  WindowRecord* record = FindWindowRecord(window);
  return record != nullptr && record->kind == WindowKind::TOP_LEVEL ? record : nullptr;
}

WindowRecord* NewWindowRecord(WindowKind kind) {
  auto record = std::make_unique<WindowRecord>();
  record->kind = kind;
  record->handle = reinterpret_cast<HWND>(g_next_handle);
  g_next_handle += 4;
  WindowRecord* result = record.get();
  g_windows[reinterpret_cast<uintptr_t>(result->handle)] = std::move(record);
  return result;
}

void DeleteWindowRecord(HWND window) { g_windows.erase(reinterpret_cast<uintptr_t>(window)); }

std::vector<WindowRecord*> TopLevelRecords() {
  std::vector<WindowRecord*> records;
  for (auto& entry : g_windows) {
    if (entry.second->kind == WindowKind::TOP_LEVEL) records.push_back(entry.second.get());
  }
  return records;
}

WindowRecord* RecordOfSdlWindowId(uint32_t window_id) {
  SDL_Window* sdl_window = window_id != 0 ? SDL_GetWindowFromID(window_id) : nullptr;
  if (sdl_window == nullptr) return nullptr;
  for (auto& entry : g_windows) {
    if (entry.second->sdl_window == sdl_window) return entry.second.get();
  }
  return nullptr;
}

int MenuBarHeightPx(const WindowRecord& record) {
  if (record.menu == nullptr || record.sdl_window == nullptr) return 0;
  if ((SDL_GetWindowFlags(record.sdl_window) & SDL_WINDOW_FULLSCREEN) != 0) return 0;
  return std::min(MENU_BAR_HEIGHT_PX, record.height_px);
}

void ReportSizeIfChanged(WindowRecord* record) {
  RECT client;
  if (GetClientRect(record->handle, &client) == FALSE) return;
  WPARAM type = record->minimized ? SIZE_MINIMIZED : record->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
  LPARAM size = MAKELPARAM(client.right, client.bottom);
  if (record->size_reported && type == record->reported_size_type && size == record->reported_size) return;
  record->size_reported = true;
  record->reported_size_type = type;
  record->reported_size = size;
  SendMessageA(record->handle, WM_SIZE, type, size);
}

void ReportMoveIfChanged(WindowRecord* record) {
  if (record->minimized) return;
  POINT origin = {0, 0};
  if (ClientToScreen(record->handle, &origin) == FALSE) return;
  LPARAM position = MAKELPARAM(origin.x, origin.y);
  if (record->move_reported && position == record->reported_move) return;
  record->move_reported = true;
  record->reported_move = position;
  SendMessageA(record->handle, WM_MOVE, 0, position);
}

void ActivateWindow(HWND window) {
  HWND previous = GetActiveWindow();
  if (previous == window) return;
  SetActiveWindowHandle(window);
  if (FindTopLevelRecord(previous) != nullptr) {
    SendMessageA(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(window));
  }
  if (FindTopLevelRecord(window) != nullptr) {
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
  }
}

void DeactivateWindow(HWND window) {
  if (GetActiveWindow() != window) return;
  SetActiveWindowHandle(nullptr);
  SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr || IS_INTRESOURCE(wc->lpszClassName)) {
    return 0;
  }
  if (wc->lpszClassName[0] == '\0' || FindClass(wc->lpszClassName) != nullptr) return 0;
  g_classes.push_back(ClassRecord{wc->lpszClassName, g_next_atom++, wc->lpfnWndProc, wc->hInstance, wc->hbrBackground});
  return g_classes.back().atom;
}

HWND CreateWindowExA(DWORD /*ex_style*/, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  // Child windows are not offered: the viewer has none, and dialog controls are made by the dialog code.
  if (parent != nullptr || (style & WS_CHILD) != 0) return nullptr;
  const ClassRecord* window_class = FindClass(class_name);
  if (window_class == nullptr || !EnsurePlatformStarted()) return nullptr;
  const MenuResource* menu_resource = MenuOfHandle(menu);
  if (menu != nullptr && menu_resource == nullptr) return nullptr;

  int outer_width = width == CW_USEDEFAULT ? DEFAULT_WIDTH_PX : std::max(width, 1);
  int outer_height = height == CW_USEDEFAULT ? DEFAULT_HEIGHT_PX : std::max(height, 1);
  int sdl_x = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
  int sdl_y = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if ((style & WS_THICKFRAME) != 0) flags |= SDL_WINDOW_RESIZABLE;

  CurrentContextKeeper keeper;
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_Window* sdl_window =
      SDL_CreateWindow(window_name != nullptr ? window_name : "", sdl_x, sdl_y, outer_width, outer_height, flags);
  if (sdl_window == nullptr) return nullptr;
  SDL_GLContext context = SDL_GL_CreateContext(sdl_window);
  if (context == nullptr) {
    SDL_DestroyWindow(sdl_window);
    return nullptr;
  }
  PinLoadedLibraries();

  WindowRecord* record = NewWindowRecord(WindowKind::TOP_LEVEL);
  record->instance = instance;
  record->style = style;
  record->title = window_name != nullptr ? window_name : "";
  record->window_proc = window_class->window_proc;
  record->menu = menu_resource;
  record->background = BrushColour(window_class->background);
  record->sdl_window = sdl_window;
  record->gl_context = context;
  SDL_GetWindowPosition(sdl_window, &record->x_px, &record->y_px);
  SDL_GetWindowSize(sdl_window, &record->width_px, &record->height_px);
  if (!CreateWindowUi(record)) {
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(sdl_window);
    DeleteWindowRecord(record->handle);
    return nullptr;
  }

  HWND handle = record->handle;
  CREATESTRUCTA create = {param, instance, menu, parent, outer_height, outer_width, y, x,
                          static_cast<LONG>(style), window_name, class_name, 0};
  if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if ((style & WS_VISIBLE) != 0) ShowWindow(handle, SW_SHOW);
  return IsWindow(handle) ? handle : nullptr;
}

BOOL ShowWindow(HWND window, int show) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr) return FALSE;
  BOOL was_visible = record->visible ? TRUE : FALSE;
  if (show == SW_HIDE) {
    SDL_HideWindow(record->sdl_window);
    record->visible = false;
    return was_visible;
  }
  SDL_ShowWindow(record->sdl_window);
  record->visible = true;
  // The state changes at once, as Win32's does, so the size message below and GetClientRect already
  // tell it; the window system's own event for it later finds nothing new to report. Drivers without
  // a desktop (offscreen) never send that event at all.
  if (show == SW_MINIMIZE || show == SW_SHOWMINIMIZED) {
    SDL_MinimizeWindow(record->sdl_window);
    record->minimized = true;
  }
  if (show == SW_MAXIMIZE) {
    SDL_MaximizeWindow(record->sdl_window);
    record->minimized = false;
    record->maximized = true;
  }
  if (show == SW_RESTORE || show == SW_SHOWNORMAL) {
    SDL_RestoreWindow(record->sdl_window);
    record->minimized = false;
    record->maximized = false;
  }
  ActivateWindow(window);
  if (FindTopLevelRecord(window) == nullptr) return was_visible;
  // The first showing tells the window procedure its size and place, as Win32 does.
  ReportSizeIfChanged(record);
  if (FindTopLevelRecord(window) != nullptr) ReportMoveIfChanged(record);
  return was_visible;
}

BOOL UpdateWindow(HWND window) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr) return FALSE;
  if (record->visible && !record->minimized) PaintWindowNow(record);
  return TRUE;
}

BOOL DestroyWindow(HWND window) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr || record->destroying) return FALSE;
  record->destroying = true;
  SendMessageA(window, WM_DESTROY, 0, 0);
  record = FindTopLevelRecord(window);
  if (record == nullptr) return TRUE;
  if (GetActiveWindow() == window) SetActiveWindowHandle(nullptr);
  RemoveQueuedMessages(window);
  CurrentContextKeeper keeper;
  keeper.Forget(record->gl_context);
  DestroyWindowUi(record);
  SDL_GL_MakeCurrent(record->sdl_window, nullptr);
  SDL_GL_DeleteContext(record->gl_context);
  SDL_DestroyWindow(record->sdl_window);
  DeleteWindowRecord(window);
  return TRUE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr) return FALSE;
  record->title = text != nullptr ? text : "";
  if (record->kind == WindowKind::TOP_LEVEL) SDL_SetWindowTitle(record->sdl_window, record->title.c_str());
  return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int size) {
  const WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr || text == nullptr || size <= 0) return 0;
  const int length = static_cast<int>(std::min(record->title.size(), static_cast<size_t>(size - 1)));
  std::memcpy(text, record->title.data(), static_cast<size_t>(length));
  text[length] = '\0';
  return length;
}

BOOL IsWindow(HWND window) { return FindWindowRecord(window) != nullptr ? TRUE : FALSE; }

BOOL GetClientRect(HWND window, RECT* rect) {
  WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr || rect == nullptr) return FALSE;
  *rect = RECT{0, 0, 0, 0};
  if (record->kind == WindowKind::TOP_LEVEL && !record->minimized) {
    rect->right = record->width_px;
    rect->bottom = std::max(record->height_px - MenuBarHeightPx(*record), 0);
  }
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr || point == nullptr) return FALSE;
  point->x += record->x_px;
  point->y += record->y_px + MenuBarHeightPx(*record);
  return TRUE;
}

// Screen coordinates, as ClientToScreen gives them.
BOOL GetCursorPos(POINT* point) {
  if (point == nullptr || !EnsurePlatformStarted()) return FALSE;
  int x = 0, y = 0;
  SDL_Window* focus = SDL_GetMouseFocus();
  if (focus != nullptr && IsHeadless()) {
    // The offscreen driver has no global pointer; the pointer's place in its window stands in.
    int window_x = 0, window_y = 0;
    SDL_GetMouseState(&x, &y);
    SDL_GetWindowPosition(focus, &window_x, &window_y);
    x += window_x;
    y += window_y;
  } else {
    SDL_GetGlobalMouseState(&x, &y);
  }
  *point = POINT{x, y};
  return TRUE;
}

LONG GetWindowLongA(HWND window, int index) {
  WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr) return 0;
  if (index == GWL_HINSTANCE) return static_cast<LONG>(reinterpret_cast<intptr_t>(record->instance));
  if (index == GWL_STYLE) return static_cast<LONG>(record->style);
  return 0;
}

// Only the system's own icons and cursors exist: the program's module carries none of its own.
HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (instance != nullptr || !IS_INTRESOURCE(name) || id < 32512 || id > 32517) return nullptr;
  return reinterpret_cast<HICON>(id);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (instance != nullptr || !IS_INTRESOURCE(name) || id < 32512 || id > 32651) return nullptr;
  return reinterpret_cast<HCURSOR>(id);
}

HMENU LoadMenuA(HINSTANCE /*instance*/, LPCSTR name) {
  if (name == nullptr) return nullptr;
  long id = 0;
  if (IS_INTRESOURCE(name)) {
    id = static_cast<long>(reinterpret_cast<uintptr_t>(name));
  } else if (name[0] == '#') {
    char* end = nullptr;
    id = std::strtol(name + 1, &end, 10);
    if (end == name + 1 || *end != '\0' || id <= 0 || id > 0xFFFF) return nullptr;
  } else {
    return nullptr;
  }
  const MenuResource* menu = FindMenuResource(static_cast<WORD>(id));
  return reinterpret_cast<HMENU>(const_cast<MenuResource*>(menu));
}

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= STOCK_BRUSH_COUNT) return nullptr;
  return reinterpret_cast<HGDIOBJ>(STOCK_OBJECT_BASE + static_cast<uintptr_t>(object));
}

SDL_Window* GetSdlWindow(HWND window) {
  WindowRecord* record = FindTopLevelRecord(window);
  return record != nullptr ? record->sdl_window : nullptr;
}

void* GetGlContext(HWND window) {
  WindowRecord* record = FindTopLevelRecord(window);
  return record != nullptr ? record->gl_context : nullptr;
}

bool GetClientAreaInWindow(HWND window, RECT* area) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr || area == nullptr) return false;
  RECT client;
  GetClientRect(window, &client);
  int top = MenuBarHeightPx(*record);
  *area = RECT{0, top, client.right, top + client.bottom};
  return true;
}
