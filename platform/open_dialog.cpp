// GetOpenFileNameA: the Open dialog drawn with ImGui over its owner window, over the FileBrowser model.
// Unlike Win32 it never changes the working directory, where the viewer writes its reports. Headless
// it answers from the queued test answers, or cancels.
#include <imgui.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>

#include "platform/commdlg.h"
#include "platform/file_browser.h"
#include "platform/test_hooks.h"
#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

// Written by the test hooks, taken by GetOpenFileNameA; an empty optional is a cancel.
std::deque<std::optional<std::string>> g_open_answers;

const DWORD OPENFILENAME_SIZE_VERSION_400 = 76;
const DWORD OPENFILENAME_SIZE = 88;
const size_t NAME_FIELD_BYTES = 1024;

std::string DialogTitle(const OPENFILENAMEA& ofn) {
  return ofn.lpstrTitle != nullptr && ofn.lpstrTitle[0] != '\0' ? ofn.lpstrTitle : "Open";
}

// Hands the chosen path to the caller as Win32 does; a buffer too small gets the size it needs in
// its first two bytes and the call fails.
BOOL FillResult(OPENFILENAMEA* ofn, const std::string& path, int filter_index) {
  if (path.size() + 1 > ofn->nMaxFile) {
    if (ofn->nMaxFile >= 2) {
      WORD needed = static_cast<WORD>(std::min<size_t>(path.size() + 1, 0xFFFF));
      std::memcpy(ofn->lpstrFile, &needed, sizeof(needed));
    }
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  size_t slash = path.find_last_of('/');
  size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of('.');
  ofn->nFileOffset = static_cast<WORD>(std::min<size_t>(name_at, 0xFFFF));
  ofn->nFileExtension = dot != std::string::npos && dot >= name_at ? static_cast<WORD>(std::min<size_t>(dot + 1, 0xFFFF)) : 0;
  if (ofn->lpstrFileTitle != nullptr && ofn->nMaxFileTitle > 0) {
    std::string title = path.substr(name_at);
    size_t length = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.c_str(), length);
    ofn->lpstrFileTitle[length] = '\0';
  }
  ofn->nFilterIndex = static_cast<DWORD>(filter_index + 1);
  return TRUE;
}

class OpenDialogUi : public ModalUi {
 public:
  OpenDialogUi(HWND owner, const OPENFILENAMEA& ofn, FileBrowser* browser, const std::string& initial_name)
      : owner_(owner), title_(DialogTitle(ofn)), browser_(browser) {
    std::snprintf(name_, sizeof(name_), "%s", initial_name.c_str());
  }
  bool Done() const override { return done_; }
  void Cancel() override { done_ = true; }
  void Draw() override;
  void AfterFrame() override;
  bool chosen() const { return chosen_; }
  const std::string& chosen_path() const { return chosen_path_; }

 private:
  void DrawEntries(float height);

  HWND owner_;
  std::string title_;
  FileBrowser* browser_;
  char name_[NAME_FIELD_BYTES];
  int selected_ = -1;
  bool first_frame_ = true;
  bool popup_was_open_ = false;
  bool submit_ = false;
  bool cancel_ = false;
  std::string enter_folder_;
  int set_filter_ = -1;
  std::string warning_;
  bool done_ = false;
  bool chosen_ = false;
  std::string chosen_path_;
};

void OpenDialogUi::DrawEntries(float height) {
  ImGui::BeginChild("##entries", ImVec2(0, height), true);
  const std::vector<BrowserEntry>& entries = browser_->entries();
  ImGuiListClipper clipper;
  clipper.Begin(static_cast<int>(entries.size()));
  while (clipper.Step()) {
    for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
      const BrowserEntry& entry = entries[static_cast<size_t>(i)];
      std::string label = entry.is_folder ? entry.name + "/" : entry.name;
      ImGui::PushID(i);
      if (ImGui::Selectable(label.c_str(), i == selected_, ImGuiSelectableFlags_AllowDoubleClick)) {
        selected_ = i;
        bool twice = ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left);
        if (entry.is_folder) {
          if (twice) enter_folder_ = entry.name;
        } else {
          std::snprintf(name_, sizeof(name_), "%s", entry.name.c_str());
          submit_ = twice;
        }
      }
      ImGui::PopID();
    }
  }
  ImGui::EndChild();
}

void OpenDialogUi::Draw() {
  ImVec2 display = ImGui::GetIO().DisplaySize;
  ImVec2 size(std::min(560.0f, display.x - 16.0f), std::min(360.0f, display.y - 40.0f));
  ImGui::SetNextWindowPos(ImVec2(display.x * 0.5f, display.y * 0.5f + 10.0f), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(size, ImGuiCond_Appearing);
  bool open = true;
  std::string window_title = title_ + "##open";
  if (ImGui::Begin(window_title.c_str(), &open, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings)) {
    bool popup_open = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel);
    if (!popup_open && !ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) ImGui::SetWindowFocus();
    if (!popup_was_open_ && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false)) cancel_ = true;
    popup_was_open_ = popup_open;

    // Wide enough for the longest label in the font in use, so "Files of type:" is never cut.
    const float label_width = ImGui::CalcTextSize("Files of type:").x + ImGui::GetStyle().ItemSpacing.x * 2;
    const float button_width = 80.0f;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Look in:");
    ImGui::SameLine(label_width);
    ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x - button_width - ImGui::GetStyle().ItemSpacing.x);
    std::string folder = browser_->folder();
    ImGui::InputText("##folder", &folder[0], folder.size() + 1, ImGuiInputTextFlags_ReadOnly);
    ImGui::SameLine();
    bool at_root = browser_->AtRoot();
    if (at_root) ImGui::BeginDisabled();
    if (ImGui::Button("Up", ImVec2(button_width, 0))) enter_folder_ = "..";
    if (at_root) ImGui::EndDisabled();

    float rows_below = ImGui::GetFrameHeightWithSpacing() * 2 + ImGui::GetStyle().ItemSpacing.y;
    DrawEntries(ImGui::GetContentRegionAvail().y - rows_below);

    float field_width = ImGui::GetContentRegionAvail().x - label_width - button_width - ImGui::GetStyle().ItemSpacing.x;
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("File name:");
    ImGui::SameLine(label_width);
    ImGui::SetNextItemWidth(field_width);
    if (first_frame_) ImGui::SetKeyboardFocusHere();
    if (ImGui::InputText("##name", name_, sizeof(name_), ImGuiInputTextFlags_EnterReturnsTrue)) submit_ = true;
    ImGui::SameLine();
    if (ImGui::Button("Open", ImVec2(button_width, 0))) submit_ = true;

    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Files of type:");
    ImGui::SameLine(label_width);
    ImGui::SetNextItemWidth(field_width);
    const std::vector<FileFilter>& filters = browser_->filters();
    int current = browser_->filter_index();
    const char* preview = current < static_cast<int>(filters.size()) ? filters[current].description.c_str() : "";
    if (ImGui::BeginCombo("##type", preview)) {
      for (size_t i = 0; i < filters.size(); ++i) {
        ImGui::PushID(static_cast<int>(i));
        if (ImGui::Selectable(filters[i].description.c_str(), static_cast<int>(i) == current)) {
          set_filter_ = static_cast<int>(i);
        }
        ImGui::PopID();
      }
      ImGui::EndCombo();
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(button_width, 0))) cancel_ = true;
  }
  ImGui::End();
  if (!open) cancel_ = true;
  first_frame_ = false;
}

void OpenDialogUi::AfterFrame() {
  if (cancel_) {
    done_ = true;
    return;
  }
  if (!enter_folder_.empty()) {
    browser_->EnterFolder(enter_folder_);
    enter_folder_.clear();
    selected_ = -1;
  }
  if (set_filter_ >= 0) {
    browser_->SetFilter(set_filter_);
    set_filter_ = -1;
    selected_ = -1;
  }
  if (submit_) {
    submit_ = false;
    std::string message;
    switch (browser_->Submit(name_, &chosen_path_, &message)) {
      case FileBrowser::Outcome::CHOSEN:
        chosen_ = true;
        done_ = true;
        break;
      case FileBrowser::Outcome::LISTED:
        name_[0] = '\0';
        selected_ = -1;
        break;
      case FileBrowser::Outcome::REFUSED:
        MessageBoxA(owner_, message.c_str(), title_.c_str(), MB_OK | MB_ICONWARNING);
        break;
      case FileBrowser::Outcome::NOTHING:
        break;
    }
  }
}

// The caller's buffer may hold an initial name; it is read no further than nMaxFile.
std::string InitialText(const OPENFILENAMEA& ofn) {
  size_t length = 0;
  while (length < ofn.nMaxFile && ofn.lpstrFile[length] != '\0') ++length;
  return std::string(ofn.lpstrFile, length);
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) {
  if (ofn == nullptr || (ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400 && ofn->lStructSize != OPENFILENAME_SIZE)) {
    return FALSE;
  }
  if (ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return FALSE;
  std::vector<FileFilter> filters = ParseFilterPairs(ofn->lpstrFilter);
  int filter_index = ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= filters.size() ? static_cast<int>(ofn->nFilterIndex) - 1 : 0;
  HWND owner = ofn->hwndOwner != nullptr ? ofn->hwndOwner : GetActiveWindow();

  if (!g_open_answers.empty()) {
    while (!g_open_answers.empty()) {
      std::optional<std::string> answer = g_open_answers.front();
      g_open_answers.pop_front();
      if (!answer) return FALSE;
      std::string refusal = CheckChosenPath(*answer, ofn->Flags);
      if (refusal.empty()) return FillResult(ofn, *answer, filter_index);
      MessageBoxA(owner, refusal.c_str(), DialogTitle(*ofn).c_str(), MB_OK | MB_ICONWARNING);
    }
    return FALSE;
  }
  if (IsHeadless() || FindTopLevelRecord(owner) == nullptr) return FALSE;

  std::string initial = InitialText(*ofn);
  std::string folder = ofn->lpstrInitialDir != nullptr ? ofn->lpstrInitialDir : "";
  std::string name = initial;
  std::error_code error;
  std::filesystem::path initial_path(initial);
  if (folder.empty() && initial_path.has_parent_path() && std::filesystem::is_directory(initial_path.parent_path(), error)) {
    folder = initial_path.parent_path().string();
    name = initial_path.filename().string();
  }
  std::string extension = ofn->lpstrDefExt != nullptr ? ofn->lpstrDefExt : "";
  FileBrowser browser(filters, filter_index, folder, ofn->Flags, extension);
  OpenDialogUi ui(owner, *ofn, &browser, name);
  RunModalLoop(owner, &ui);
  if (!ui.chosen()) return FALSE;
  return FillResult(ofn, ui.chosen_path(), browser.filter_index());
}

void QueueOpenFileAnswer(const std::string& path) { g_open_answers.push_back(path); }

void QueueOpenFileCancel() { g_open_answers.push_back(std::nullopt); }

void ClearOpenFileAnswers() { g_open_answers.clear(); }
