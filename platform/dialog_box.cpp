// Modal dialogs from the dialog templates in resources/: DialogBoxParamA makes a dialog record with one
// record per control, runs the dialog procedure with Win32's sequence (WM_INITDIALOG, WM_COMMAND with
// CBN_SELCHANGE / CBN_SELENDOK when a pick in a drop-down list is confirmed, IDOK, IDCANCEL) and draws
// the dialog with ImGui over its owner, its layout converted from dialog units with the base units of
// the font it is drawn in, as Win32 converts them. Headless, or when a test queued a script, the
// answers come from the script; notifications are always sent between frames, never inside one.
// Headless, a scripted dialog with an owner window is drawn into the owner's offscreen frames as it
// would be on a display, so that its drawing can be captured and tested; it ends with the script.
#include <SDL.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <strings.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

#include "platform/test_hooks.h"
#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

// Written by the test hooks, taken by DialogBoxParamA; one UI thread.
std::deque<std::vector<DialogAnswerStep>> g_dialog_scripts;

// With a display, a script waits this many frames so that the dialog is seen (and can be captured).
const int SCRIPT_DELAY_FRAMES = 3;
const int COMBO_ITEM_LIMIT = 32767;

const DialogResource* FindTemplate(LPCSTR name) {
  if (name == nullptr) return nullptr;
  if (IS_INTRESOURCE(name)) return FindDialogResource(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)));
  if (name[0] != '#') return nullptr;
  char* end = nullptr;
  long id = std::strtol(name + 1, &end, 10);
  if (end == name + 1 || *end != '\0' || id <= 0 || id > 0xFFFF) return nullptr;
  return FindDialogResource(static_cast<WORD>(id));
}

WindowRecord* FindDialog(HWND dialog) {
  WindowRecord* record = FindWindowRecord(dialog);
  return record != nullptr && record->kind == WindowKind::DIALOG ? record : nullptr;
}

WindowRecord* ControlRecord(WindowRecord* dialog, int id) {
  for (HWND control : dialog->controls) {
    WindowRecord* record = FindWindowRecord(control);
    if (record != nullptr && record->control->id == id) return record;
  }
  return nullptr;
}

void SendCommand(HWND dialog, int id, WORD notification, HWND control) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control));
}

// What a confirmed pick in a drop-down list does: the selection moves (CBN_SELCHANGE when it changed),
// then the pick is confirmed (CBN_SELENDOK) even when the same item was picked again.
void PickComboItem(WindowRecord* dialog, WindowRecord* combo, int index) {
  int count = static_cast<int>(combo->combo_items.size());
  int selection = index >= 0 && index < count ? index : -1;
  bool changed = selection != combo->combo_selection;
  combo->combo_selection = selection;
  HWND dialog_handle = dialog->handle;
  HWND combo_handle = combo->handle;
  int id = combo->control->id;
  if (changed) SendCommand(dialog_handle, id, CBN_SELCHANGE, combo_handle);
  if (FindDialog(dialog_handle) != nullptr && !dialog->dialog_ended) {
    SendCommand(dialog_handle, id, CBN_SELENDOK, combo_handle);
  }
}

void PlayStep(WindowRecord* dialog, const DialogAnswerStep& step) {
  if (step.action == DialogAnswerStep::SELECT) {
    WindowRecord* combo = ControlRecord(dialog, step.control_id);
    if (combo != nullptr && combo->control->control_class == ControlClass::COMBO_BOX) {
      PickComboItem(dialog, combo, step.item_index);
    }
    return;
  }
  int id = step.action == DialogAnswerStep::OK ? IDOK : IDCANCEL;
  WindowRecord* button = ControlRecord(dialog, id);
  SendCommand(dialog->handle, id, BN_CLICKED, button != nullptr ? button->handle : nullptr);
}

int DefaultButtonId(const DialogResource& dialog) {
  for (int i = 0; i < dialog.control_count; ++i) {
    const DialogControlResource& control = dialog.controls[i];
    if (control.control_class == ControlClass::BUTTON && (control.style & BS_DEFPUSHBUTTON) != 0) return control.id;
  }
  return IDOK;
}

class DialogUi : public ModalUi {
 public:
  DialogUi(WindowRecord* dialog, std::vector<DialogAnswerStep> script, bool cancel_after_script)
      : dialog_(dialog), handle_(dialog->handle), script_(std::move(script)), cancel_after_script_(cancel_after_script) {}

  bool Done() const override { return FindDialog(handle_) == nullptr || dialog_->dialog_ended; }
  void Cancel() override {
    if (!Done()) SendCommand(handle_, IDCANCEL, BN_CLICKED, nullptr);
  }
  void Draw() override;
  void AfterFrame() override;

 private:
  ImVec2 ToPixels(short x_dlu, short y_dlu) const {
    return ImVec2(static_cast<float>(x_dlu) * base_x_ / 4.0f, static_cast<float>(y_dlu) * base_y_ / 8.0f);
  }
  void DrawControl(int index, const DialogControlResource& control, float title_height);
  void HandleKeys();

  WindowRecord* dialog_;
  HWND handle_;
  std::vector<DialogAnswerStep> script_;
  bool cancel_after_script_;  // nobody is there to take over when the script ends
  size_t next_step_ = 0;
  int frames_drawn_ = 0;
  float base_x_ = 0.0f, base_y_ = 0.0f;
  bool popup_was_open_ = false;
  int open_combo_index_ = -1;  // a mnemonic asked for this list to drop down
  WindowRecord* picked_combo_ = nullptr;
  int picked_index_ = -1;
  int pressed_button_ = 0;
  bool cancel_pressed_ = false;
};

void DialogUi::Draw() {
  const DialogResource& layout = *dialog_->dialog_template;
  // Win32's dialog base units: the font's average alphabet width and its height.
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  base_x_ = static_cast<float>(static_cast<int>(ImGui::CalcTextSize(alphabet).x / 26.0f + 1.0f) / 2);
  base_y_ = ImGui::GetFontSize();
  float title_height = ImGui::GetFrameHeight();
  ImVec2 client = ToPixels(layout.width_dlu, layout.height_dlu);
  ImVec2 display = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2(display.x * 0.5f, display.y * 0.5f), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(client.x, client.y + title_height), ImGuiCond_Always);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  char title[160];
  std::snprintf(title, sizeof(title), "%s##dialog%p", dialog_->title.c_str(), static_cast<void*>(handle_));
  bool open = true;
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                                 ImGuiWindowFlags_NoScrollWithMouse;
  bool has_close_box = (layout.style & WS_SYSMENU) != 0;
  if (ImGui::Begin(title, has_close_box ? &open : nullptr, flags)) {
    bool popup_open = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel);
    if (!popup_open && !ImGui::IsWindowFocused()) ImGui::SetWindowFocus();
    HandleKeys();
    for (int i = 0; i < layout.control_count; ++i) DrawControl(i, layout.controls[i], title_height);
    popup_was_open_ = popup_open;
  }
  ImGui::End();
  ImGui::PopStyleVar();
  if (!open) cancel_pressed_ = true;
  ++frames_drawn_;
}

void DialogUi::HandleKeys() {
  const DialogResource& layout = *dialog_->dialog_template;
  ImGuiIO& io = ImGui::GetIO();
  // A key that closed a drop-down list in this frame is not also a key for the dialog.
  if (popup_was_open_) return;
  if (ImGui::IsKeyPressed(SDL_SCANCODE_ESCAPE, false)) cancel_pressed_ = true;
  if (ImGui::IsKeyPressed(SDL_SCANCODE_RETURN, false) || ImGui::IsKeyPressed(SDL_SCANCODE_KP_ENTER, false)) {
    pressed_button_ = DefaultButtonId(layout);
  }
  if (!io.KeyAlt) return;
  // Alt and a label's mnemonic drop down the list the label names (the next control in the template);
  // a button's own mnemonic presses it.
  for (int i = 0; i < layout.control_count; ++i) {
    char mnemonic = CaptionMnemonic(layout.controls[i].caption);
    if (mnemonic < 'A' || mnemonic > 'Z') continue;
    SDL_Scancode key = SDL_GetScancodeFromKey(static_cast<SDL_Keycode>(SDLK_a + (mnemonic - 'A')));
    if (!ImGui::IsKeyPressed(key, false)) continue;
    const DialogControlResource& control = layout.controls[i];
    if (control.control_class == ControlClass::BUTTON) {
      pressed_button_ = control.id;
    } else if (i + 1 < layout.control_count && layout.controls[i + 1].control_class == ControlClass::COMBO_BOX) {
      open_combo_index_ = i + 1;
    }
  }
}

void DialogUi::DrawControl(int index, const DialogControlResource& control, float title_height) {
  ImVec2 position = ToPixels(control.x_dlu, control.y_dlu);
  ImVec2 size = ToPixels(control.width_dlu, control.height_dlu);
  ImGui::SetCursorPos(ImVec2(position.x, position.y + title_height));
  char label[128];
  CaptionWithoutMnemonic(control.caption, label, sizeof(label));
  ImGui::PushID(index);
  if (control.control_class == ControlClass::STATIC_TEXT) {
    ImGui::TextUnformatted(label);
  } else if (control.control_class == ControlClass::BUTTON) {
    bool is_default = (control.style & BS_DEFPUSHBUTTON) != 0;
    if (is_default) ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f);
    if (ImGui::Button(label, size)) pressed_button_ = control.id;
    if (is_default) ImGui::PopStyleVar();
  } else {
    WindowRecord* combo = ControlRecord(dialog_, control.id);
    if (combo != nullptr) {
      const std::vector<ComboItem>& items = combo->combo_items;
      int selection = combo->combo_selection;
      const char* preview = selection >= 0 && selection < static_cast<int>(items.size()) ? items[selection].text.c_str() : "";
      ImGui::SetNextItemWidth(size.x);
      if (open_combo_index_ == index) {
        // BeginCombo names its list after the combo's id; opening it here is what a click would do.
        ImGuiID combo_id = ImGui::GetID("##list");
        ImGui::OpenPopupEx(ImHashStr("##ComboPopup", 0, combo_id));
        open_combo_index_ = -1;
      }
      // The template's height is the dropped-down height, the closed box included.
      float list_height = size.y - ImGui::GetFrameHeight();
      ImGui::SetNextWindowSizeConstraints(ImVec2(0, 0), ImVec2(FLT_MAX, list_height > 0 ? list_height : FLT_MAX));
      if (ImGui::BeginCombo("##list", preview)) {
        for (size_t j = 0; j < items.size(); ++j) {
          ImGui::PushID(static_cast<int>(j));
          bool selected = static_cast<int>(j) == selection;
          if (ImGui::Selectable(items[j].text.c_str(), selected)) {
            picked_combo_ = combo;
            picked_index_ = static_cast<int>(j);
          }
          if (selected) ImGui::SetItemDefaultFocus();
          ImGui::PopID();
        }
        ImGui::EndCombo();
      }
    }
  }
  ImGui::PopID();
}

void DialogUi::AfterFrame() {
  if (picked_combo_ != nullptr && !Done()) PickComboItem(dialog_, picked_combo_, picked_index_);
  picked_combo_ = nullptr;
  if (pressed_button_ != 0 && !Done()) {
    WindowRecord* button = ControlRecord(dialog_, pressed_button_);
    SendCommand(handle_, pressed_button_, BN_CLICKED, button != nullptr ? button->handle : nullptr);
  }
  pressed_button_ = 0;
  if (cancel_pressed_) Cancel();
  cancel_pressed_ = false;
  if (!Done() && frames_drawn_ >= SCRIPT_DELAY_FRAMES) {
    if (next_step_ < script_.size()) {
      PlayStep(dialog_, script_[next_step_++]);
    } else if (cancel_after_script_) {
      Cancel();
    }
  }
}

void DestroyDialog(WindowRecord* dialog) {
  HWND handle = dialog->handle;
  SendMessageA(handle, WM_DESTROY, 0, 0);
  dialog = FindDialog(handle);
  if (dialog == nullptr) return;
  for (HWND control : dialog->controls) DeleteWindowRecord(control);
  DeleteWindowRecord(handle);
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR template_name, HWND owner, DLGPROC proc, LPARAM init_param) {
  if (owner != nullptr && FindTopLevelRecord(owner) == nullptr) return 0;
  const DialogResource* layout = FindTemplate(template_name);
  if (layout == nullptr || proc == nullptr || !EnsurePlatformStarted()) return -1;
  bool scripted = !g_dialog_scripts.empty();
  std::vector<DialogAnswerStep> script;
  if (scripted) {
    script = std::move(g_dialog_scripts.front());
    g_dialog_scripts.pop_front();
  }
  // With a display the dialog is drawn over its owner, or over the active window for an ownerless one.
  HWND host = owner != nullptr ? owner : GetActiveWindow();
  bool headless = IsHeadless();
  if (!headless && FindTopLevelRecord(host) == nullptr) return -1;
  bool drawn = !headless || (scripted && FindTopLevelRecord(host) != nullptr);

  WindowRecord* dialog = NewWindowRecord(WindowKind::DIALOG);
  HWND handle = dialog->handle;
  dialog->parent = owner;
  dialog->instance = instance;
  dialog->style = layout->style;
  dialog->title = layout->caption;
  dialog->dialog_proc = proc;
  dialog->dialog_template = layout;
  HWND first_tab_stop = nullptr;
  for (int i = 0; i < layout->control_count; ++i) {
    WindowRecord* control = NewWindowRecord(WindowKind::CONTROL);
    control->parent = handle;
    control->instance = instance;
    control->control = &layout->controls[i];
    control->style = layout->controls[i].style;
    control->title = layout->controls[i].caption;
    dialog->controls.push_back(control->handle);
    if (first_tab_stop == nullptr && (control->style & WS_TABSTOP) != 0) first_tab_stop = control->handle;
  }

  SendMessageA(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(first_tab_stop), init_param);
  if (FindDialog(handle) != nullptr && !dialog->dialog_ended) {
    if (!drawn) {
      if (!scripted) script.push_back(DialogAnswerStep::Ok());
      for (const DialogAnswerStep& step : script) {
        if (FindDialog(handle) == nullptr || dialog->dialog_ended) break;
        PlayStep(dialog, step);
      }
      if (FindDialog(handle) != nullptr && !dialog->dialog_ended) PlayStep(dialog, DialogAnswerStep::Cancel());
    } else {
      DialogUi ui(dialog, std::move(script), headless);
      RunModalLoop(host, &ui);
    }
  }
  dialog = FindDialog(handle);
  if (dialog == nullptr) return -1;
  INT_PTR result = dialog->dialog_ended ? dialog->dialog_result : -1;
  DestroyDialog(dialog);
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  WindowRecord* record = FindDialog(dialog);
  if (record == nullptr) return FALSE;
  record->dialog_ended = true;
  record->dialog_result = result;
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  WindowRecord* record = FindDialog(dialog);
  if (record == nullptr) return nullptr;
  WindowRecord* control = ControlRecord(record, id);
  return control != nullptr ? control->handle : nullptr;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? SendMessageA(control, message, wparam, lparam) : 0;
}

LRESULT SendDialogMessage(WindowRecord* dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND handle = dialog->handle;
  INT_PTR handled = dialog->dialog_proc(handle, message, wparam, lparam);
  // The default dialog procedure turns an unhandled close into Cancel.
  if (message == WM_CLOSE && handled == FALSE && FindDialog(handle) != nullptr) {
    SendCommand(handle, IDCANCEL, BN_CLICKED, nullptr);
  }
  return handled;
}

LRESULT SendControlMessage(WindowRecord* control, UINT message, WPARAM wparam, LPARAM lparam) {
  if (control->control->control_class != ControlClass::COMBO_BOX) return 0;
  std::vector<ComboItem>& items = control->combo_items;
  intptr_t index = static_cast<intptr_t>(wparam);
  bool in_range = index >= 0 && index < static_cast<intptr_t>(items.size());
  switch (message) {
    case CB_RESETCONTENT:
      items.clear();
      control->combo_selection = -1;
      return CB_OKAY;
    case CB_ADDSTRING: {
      const char* text = reinterpret_cast<const char*>(lparam);
      if (text == nullptr) return CB_ERR;
      if (items.size() >= static_cast<size_t>(COMBO_ITEM_LIMIT)) return CB_ERRSPACE;
      size_t at = items.size();
      if ((control->style & CBS_SORT) != 0) {
        at = 0;
        while (at < items.size() && strcasecmp(items[at].text.c_str(), text) <= 0) ++at;
      }
      items.insert(items.begin() + static_cast<ptrdiff_t>(at), ComboItem{text, 0});
      if (control->combo_selection >= static_cast<int>(at)) ++control->combo_selection;
      return static_cast<LRESULT>(at);
    }
    case CB_GETCOUNT:
      return static_cast<LRESULT>(items.size());
    case CB_SETCURSEL:
      control->combo_selection = in_range ? static_cast<int>(index) : -1;
      return in_range ? index : CB_ERR;
    case CB_GETCURSEL:
      return control->combo_selection >= 0 ? control->combo_selection : CB_ERR;
    case CB_SETITEMDATA:
      if (!in_range) return CB_ERR;
      items[static_cast<size_t>(index)].data = lparam;
      return TRUE;
    case CB_GETITEMDATA:
      return in_range ? items[static_cast<size_t>(index)].data : CB_ERR;
    case CB_GETLBTEXTLEN:
      return in_range ? static_cast<LRESULT>(items[static_cast<size_t>(index)].text.size()) : CB_ERR;
    case CB_GETLBTEXT: {
      char* out = reinterpret_cast<char*>(lparam);
      if (!in_range || out == nullptr) return CB_ERR;
      const std::string& text = items[static_cast<size_t>(index)].text;
      std::memcpy(out, text.c_str(), text.size() + 1);
      return static_cast<LRESULT>(text.size());
    }
    default:
      return 0;
  }
}

void QueueDialogAnswer(const std::vector<DialogAnswerStep>& steps) { g_dialog_scripts.push_back(steps); }

void ClearQueuedAnswers() {
  g_dialog_scripts.clear();
  ClearOpenFileAnswers();
}
