// Dear ImGui over each window: one ImGui context per window (sharing one font atlas), frames that draw
// the menu bar and any modal UI over what the renderer drew, idle painting of windows nobody presents,
// screenshots of whole windows, and the modal loop. ImGui's backends save and restore the GL state they
// touch; the few calls here that touch more (framebuffer bindings, the snapshot texture) do the same.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gfx_internal.h"
#include "platform/platform.h"
#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

// Written when the first window UI is made and the last one destroyed.
ImFontAtlas* g_font_atlas = nullptr;
int g_ui_count = 0;
// Written by the frame calls; frames never nest (menu commands are posted, not run inside a frame).
struct FrameState {
  bool active = false;
  SDL_Window* previous_window = nullptr;
  SDL_GLContext previous_context = nullptr;
};
FrameState g_frame;
ScreenshotStatus g_screenshot_status = ScreenshotStatus::NONE;

// A window that nobody presented for this long is painted by the UI itself. The renderer presents
// right before every PeekMessageA of the main loop, so it is never overtaken while it renders.
const uint32_t IDLE_PAINT_MS = 50;
const uint32_t MODAL_WAIT_MS = 15;

ImU32 ImColourOf(COLORREF colour) {
  return IM_COL32(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, 255);
}

void ApplyStyle() {
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 0.0f;
  style.FrameRounding = 0.0f;
  style.PopupRounding = 0.0f;
  style.ScrollbarRounding = 0.0f;
  style.GrabRounding = 0.0f;
  style.FrameBorderSize = 1.0f;
  style.WindowBorderSize = 1.0f;
  style.PopupBorderSize = 1.0f;
}

bool MakeCurrent(WindowRecord* record) {
  if (SDL_GL_GetCurrentContext() == record->gl_context) return true;
  return SDL_GL_MakeCurrent(record->sdl_window, record->gl_context) == 0;
}

void RestorePreviousContext() {
  if (g_frame.previous_context != nullptr && SDL_GL_GetCurrentContext() != g_frame.previous_context) {
    SDL_GL_MakeCurrent(g_frame.previous_window, g_frame.previous_context);
  }
}

// Keeps what the renderer drew under an open menu, to show behind the modal UI the menu may open.
void TakeSnapshot(WindowRecord* record, GLenum read_buffer = GL_BACK) {
  RECT client;
  GetClientRect(record->handle, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  GLint read_framebuffer = 0, texture = 0, active_texture = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  GLint previous_read_buffer = GL_BACK;
  glGetIntegerv(GL_READ_BUFFER, &previous_read_buffer);
  glReadBuffer(read_buffer);
  if (record->snapshot_texture == 0) glGenTextures(1, &record->snapshot_texture);
  glBindTexture(GL_TEXTURE_2D, record->snapshot_texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // The client area is the bottom of the window in GL's bottom-up rows.
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, client.right, client.bottom, 0);
  record->snapshot_width = client.right;
  record->snapshot_height = client.bottom;
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
  glActiveTexture(static_cast<GLenum>(active_texture));
  glReadBuffer(static_cast<GLenum>(previous_read_buffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_framebuffer));
}

void DrawBackground(WindowRecord* record, FrameBackground background) {
  RECT area;
  GetClientAreaInWindow(record->handle, &area);
  ImVec2 top_left(static_cast<float>(area.left), static_cast<float>(area.top));
  ImVec2 bottom_right(static_cast<float>(area.right), static_cast<float>(area.bottom));
  ImDrawList* draw_list = ImGui::GetBackgroundDrawList();
  if (background == FrameBackground::SNAPSHOT_OR_BRUSH && record->snapshot_texture != 0 &&
      record->snapshot_width == area.right - area.left && record->snapshot_height == area.bottom - area.top) {
    ImTextureID texture = reinterpret_cast<ImTextureID>(static_cast<intptr_t>(record->snapshot_texture));
    draw_list->AddImage(texture, top_left, bottom_right, ImVec2(0, 1), ImVec2(1, 0));
    return;
  }
  draw_list->AddRectFilled(top_left, bottom_right, ImColourOf(record->background));
}

// Feeds the releases whose presses the last frame saw, and holds the newer ones for the frame after.
void ReleaseHeldKeys(WindowRecord* record) {
  for (int scancode : record->key_ups_ready) {
    SDL_Event up = {};
    up.type = SDL_KEYUP;
    up.key.state = SDL_RELEASED;
    up.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    up.key.keysym.sym = SDL_GetKeyFromScancode(up.key.keysym.scancode);
    up.key.keysym.mod = static_cast<Uint16>(SDL_GetModState());
    ImGui_ImplSDL2_ProcessEvent(&up);
  }
  record->key_ups_ready.swap(record->key_ups_pending);
  record->key_ups_pending.clear();
  record->keys_down_unseen.clear();
}

void DrawMenuBar(WindowRecord* record, bool enabled) {
  record->menu_open = false;
  if (record->menu == nullptr || MenuBarHeightPx(*record) == 0) return;
  if (!ImGui::BeginMainMenuBar()) return;
  char label[128];
  for (int p = 0; p < record->menu->popup_count; ++p) {
    const MenuPopupResource& popup = record->menu->popups[p];
    CaptionWithoutMnemonic(popup.caption, label, sizeof(label));
    if (!ImGui::BeginMenu(label, enabled)) continue;
    record->menu_open = true;
    for (int i = 0; i < popup.item_count; ++i) {
      CaptionWithoutMnemonic(popup.items[i].caption, label, sizeof(label));
      // Win32 shows what follows a tab as the item's key, aligned on the right.
      char* key = std::strchr(label, '\t');
      if (key != nullptr) *key++ = '\0';
      if (ImGui::MenuItem(label, key)) record->pending_command = popup.items[i].command_id;
    }
    ImGui::EndMenu();
  }
  ImGui::EndMainMenuBar();
}

void WriteScreenshot(WindowRecord* record) {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(record->sdl_window, &width, &height);
  g_screenshot_status = ScreenshotStatus::FAILED;
  if (width <= 0 || height <= 0) return;
  const size_t row_bytes = static_cast<size_t>(width) * 3;
  std::vector<unsigned char> pixels(row_bytes * static_cast<size_t>(height));
  GLint pack_alignment = 4, read_buffer = GL_BACK;
  glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment);
  glGetIntegerv(GL_READ_BUFFER, &read_buffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glReadBuffer(static_cast<GLenum>(read_buffer));
  glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment);
  // GL's rows run bottom-up; the PNG's top-down.
  std::vector<unsigned char> flipped(pixels.size());
  for (int y = 0; y < height; ++y) {
    std::copy_n(&pixels[row_bytes * static_cast<size_t>(height - 1 - y)], row_bytes, &flipped[row_bytes * y]);
  }
  if (stbi_write_png(record->screenshot_path.c_str(), width, height, 3, flipped.data(), static_cast<int>(row_bytes))) {
    g_screenshot_status = ScreenshotStatus::WRITTEN;
  } else {
    std::fprintf(stderr, "kestrel: cannot write the screenshot '%s'\n", record->screenshot_path.c_str());
  }
}

}  // namespace

bool CreateWindowUi(WindowRecord* record) {
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous_context = SDL_GL_GetCurrentContext();
  if (g_font_atlas == nullptr) g_font_atlas = IM_NEW(ImFontAtlas)();
  ImGuiContext* previous_ui = ImGui::GetCurrentContext();
  record->imgui = ImGui::CreateContext(g_font_atlas);
  ++g_ui_count;
  ImGui::SetCurrentContext(record->imgui);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // no imgui.ini beside the reports in the working directory
  io.LogFilename = nullptr;
  ApplyStyle();
  bool ok = MakeCurrent(record) && ImGui_ImplSDL2_InitForOpenGL(record->sdl_window, record->gl_context);
  if (ok && !ImGui_ImplOpenGL3_Init(nullptr)) {
    ImGui_ImplSDL2_Shutdown();
    ok = false;
  }
  if (!ok) {
    ImGui::DestroyContext(record->imgui);
    record->imgui = nullptr;
    if (--g_ui_count == 0) {
      IM_DELETE(g_font_atlas);
      g_font_atlas = nullptr;
    }
  }
  ImGui::SetCurrentContext(ok ? record->imgui : previous_ui);
  if (previous_context != nullptr) SDL_GL_MakeCurrent(previous_window, previous_context);
  return ok;
}

// The caller keeps or restores the current GL context; this one is made current for the teardown.
void DestroyWindowUi(WindowRecord* record) {
  if (record->imgui == nullptr) return;
  MakeCurrent(record);
  ImGui::SetCurrentContext(record->imgui);
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  if (record->snapshot_texture != 0) glDeleteTextures(1, &record->snapshot_texture);
  record->snapshot_texture = 0;
  ImGui::DestroyContext(record->imgui);
  record->imgui = nullptr;
  if (--g_ui_count == 0) {
    IM_DELETE(g_font_atlas);
    g_font_atlas = nullptr;
  }
}

void FeedUiEvent(WindowRecord* record, const SDL_Event& event) {
  if (event.type == SDL_MOUSEMOTION) {
    record->pointer_known = true;
    record->pointer_x_px = event.motion.x;
    record->pointer_y_px = event.motion.y;
  } else if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) {
    record->pointer_known = true;
    record->pointer_x_px = event.button.x;
    record->pointer_y_px = event.button.y;
  }
  if (record->imgui == nullptr) return;
  // The UI reads key state once per frame: a release before the press was seen waits a frame.
  if (event.type == SDL_KEYDOWN) {
    record->keys_down_unseen.push_back(event.key.keysym.scancode);
  } else if (event.type == SDL_KEYUP) {
    std::vector<int>& unseen = record->keys_down_unseen;
    auto down = std::find(unseen.begin(), unseen.end(), static_cast<int>(event.key.keysym.scancode));
    if (down != unseen.end()) {
      unseen.erase(down);
      record->key_ups_pending.push_back(event.key.keysym.scancode);
      return;
    }
  }
  ImGui::SetCurrentContext(record->imgui);
  ImGui_ImplSDL2_ProcessEvent(&event);
}

bool UiWantsMouse(const WindowRecord& record) {
  if (record.imgui == nullptr) return false;
  ImGui::SetCurrentContext(record.imgui);
  return ImGui::GetIO().WantCaptureMouse;
}

bool UiWantsKeyboard(const WindowRecord& record) {
  if (record.imgui == nullptr) return false;
  ImGui::SetCurrentContext(record.imgui);
  return ImGui::GetIO().WantCaptureKeyboard;
}

bool BeginUiFrame(WindowRecord* record, FrameBackground background, bool menu_enabled) {
  if (g_frame.active || record->imgui == nullptr) return false;
  g_frame.previous_window = SDL_GL_GetCurrentWindow();
  g_frame.previous_context = SDL_GL_GetCurrentContext();
  if (!MakeCurrent(record)) return false;
  g_frame.active = true;
  ImGui::SetCurrentContext(record->imgui);
  ReleaseHeldKeys(record);
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  // The SDL backend reads the pointer only over a window that has the pointer's focus, which the
  // offscreen driver never gives; there the last mouse event tells where the pointer is.
  ImGuiIO& io = ImGui::GetIO();
  if (!ImGui::IsMousePosValid(&io.MousePos) && record->pointer_known && SDL_GetMouseFocus() == nullptr) {
    io.MousePos = ImVec2(static_cast<float>(record->pointer_x_px), static_cast<float>(record->pointer_y_px));
  }
  ImGui::NewFrame();
  if (background != FrameBackground::NONE) DrawBackground(record, background);
  DrawMenuBar(record, menu_enabled);
  return true;
}

void EndUiFrame(WindowRecord* record, bool present) {
  if (!g_frame.active) return;
  NoteGlStateChanged();
  ImGui::Render();
  GLint draw_framebuffer = 0, read_framebuffer = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_framebuffer);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  if (!record->screenshot_path.empty()) {
    if (record->screenshot_frames_to_skip > 0) {
      --record->screenshot_frames_to_skip;
    } else {
      WriteScreenshot(record);
      record->screenshot_path.clear();
    }
  }
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw_framebuffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_framebuffer));
  record->last_frame_ms = SDL_GetTicks();
  if (record->pending_command != 0) {
    PostQueuedMessage(record->handle, WM_COMMAND, MAKEWPARAM(record->pending_command, 0), 0);
    record->pending_command = 0;
  }
  if (present) SDL_GL_SwapWindow(record->sdl_window);
  RestorePreviousContext();
  g_frame = FrameState();
}

void DrawWindowDecorations(HWND window) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr) return;
  record->device_presents = true;
  if (record->menu_open && MakeCurrent(record)) TakeSnapshot(record);
  if (BeginUiFrame(record, FrameBackground::NONE, true)) EndUiFrame(record, false);
}

void ForgetDevicePictures(HWND window) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record != nullptr) record->device_presents = false;
}

void PaintWindowNow(WindowRecord* record) {
  if (BeginUiFrame(record, FrameBackground::BRUSH, true)) EndUiFrame(record, true);
}

void PaintIdleWindows() {
  uint32_t now_ms = SDL_GetTicks();
  for (WindowRecord* record : TopLevelRecords()) {
    if (!record->visible || record->minimized || record->device_presents || record->handle == ModalOwner()) continue;
    if (now_ms - record->last_frame_ms < IDLE_PAINT_MS) continue;
    if (record->width_px > MAX_SURFACE_EDGE_PX || record->height_px > MAX_SURFACE_EDGE_PX) continue;
    PaintWindowNow(record);
  }
}

void RunModalLoop(HWND owner, ModalUi* ui) {
  HWND previous_owner = ModalOwner();
  SetModalOwner(owner);
  WindowRecord* record = FindTopLevelRecord(owner);
  if (record != nullptr && record->imgui != nullptr) {
    ImGui::SetCurrentContext(record->imgui);
    ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  }
  // Opened by a key rather than from a menu, the dialog has no picture kept behind it: the last one
  // presented is taken, so that the dialog never stands on the brush's white over a scene. It is read
  // from the back buffer, which Mesa's software drivers keep after the swap; their front buffer reads
  // black under an X server.
  if (record != nullptr && record->device_presents && !record->menu_open && MakeCurrent(record)) {
    TakeSnapshot(record, GL_BACK);
  }
  while (!ui->Done()) {
    PumpSdlEvents();
    record = FindTopLevelRecord(owner);
    if (record == nullptr) {
      ui->Cancel();
      break;
    }
    if (TakeModalCancelRequest()) ui->Cancel();
    if (ui->Done()) break;
    if (!record->minimized && BeginUiFrame(record, FrameBackground::SNAPSHOT_OR_BRUSH, false)) {
      ui->Draw();
      EndUiFrame(record, true);
    }
    ui->AfterFrame();
    PaintIdleWindows();
    SDL_WaitEventTimeout(nullptr, static_cast<int>(MODAL_WAIT_MS));
  }
  record = FindTopLevelRecord(owner);
  if (record != nullptr && record->imgui != nullptr) {
    ImGui::SetCurrentContext(record->imgui);
    ImGui::GetIO().ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
  }
  SetModalOwner(previous_owner);
}

bool RequestWindowScreenshot(HWND window, const char* png_path, int frames_to_skip) {
  WindowRecord* record = FindTopLevelRecord(window);
  if (record == nullptr || png_path == nullptr || png_path[0] == '\0') return false;
  record->screenshot_path = png_path;
  record->screenshot_frames_to_skip = frames_to_skip > 0 ? frames_to_skip : 0;
  g_screenshot_status = ScreenshotStatus::PENDING;
  return true;
}

ScreenshotStatus LastScreenshotStatus() { return g_screenshot_status; }
