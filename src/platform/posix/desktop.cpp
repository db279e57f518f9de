// Stand-in for the dialog and message-box calls: a scripted desktop. DialogBoxParamA
// runs the dialog procedure for real (WM_INITDIALOG, then one WM_COMMAND per scripted
// button press) until EndDialog; controls keep their texts, check marks and enabled
// state, and every visible change is logged for the tests. Like Windows, a click on a
// disabled button does nothing.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>

#include "platform/posix/standin_internal.h"

struct HWND__ {
  std::string name;  // template name of the dialog this window is or belongs to
  int id = 0;        // control identifier; 0 for the dialog itself
  std::string text;
  bool enabled = true;
  bool checked = false;
  HWND__* dialog = nullptr;
  DLGPROC proc = nullptr;
  std::map<int, HWND__*> controls;
  bool ended = false;
  INT_PTR result = 0;
  RECT rect{};
};

namespace {

struct TemplateInfo {
  const char* name;
  const char* caption;
  std::vector<std::pair<int, const char*>> controls;
  int width, height;  // pixels, at 96 dpi with the 8-point dialog font
};

// The four templates among the stub's resources: template caption and control texts.
const std::vector<TemplateInfo>& Templates() {
  static const std::vector<TemplateInfo> templates = {
      {"DLG_MAIN", "Self-extracting Archive", {{1, "&Install"}, {2, "&Close"}, {3002, ""}}, 450, 160},
      {"DLG_LIC", "Lic..", {{2004, "To cont...."}, {2, "Cancel"}, {1, "I agree"}, {2002, ""}}, 478, 280},
      {"DLG_PASS", "Enter pw...", {{101, ""}, {1, "&Ok"}, {2, "&Cancel"}}, 292, 92},
      {"FILEEXIST", "Overwr..", {{1, "&Yes"}, {2, "&No"}, {101, ""}, {401, "no ask.."}}, 297, 115},
  };
  return templates;
}

std::string Upper(std::string value) {
  for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return value;
}

struct QueuedMessage {
  std::string name;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

struct DesktopState {
  std::map<std::string, std::deque<std::vector<standin::Action>>> scripts;
  std::vector<std::function<void(HWND)>> open_hooks;
  std::vector<HWND__*> open;  // innermost last
  std::deque<QueuedMessage> queue;
  std::vector<standin::MessageBoxRecord> boxes;
  std::vector<std::string> log;
  std::map<std::string, std::map<int, std::vector<std::string>>> texts;
  std::map<std::string, std::vector<long>> results;
  std::map<std::string, std::pair<int, int>> sizes;
  int unscripted = 0;
  int peeks = 0;
  int screen_width = 1024, screen_height = 768;
};

DesktopState& Desktop() {
  static DesktopState state;
  return state;
}

void Log(const std::string& line) { Desktop().log.push_back(line); }

void SetControlText(HWND__* control, const std::string& text) {
  control->text = text;
  if (control->id == 0) {
    Log("caption " + control->name + " " + text);
  } else {
    Log("text " + control->name + " " + std::to_string(control->id) + " " + text);
    Desktop().texts[control->name][control->id].push_back(text);
  }
}

void Command(HWND__* dialog, int id) {
  HWND__* control = dialog->controls.count(id) ? dialog->controls[id] : nullptr;
  dialog->proc(dialog, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(control));
}

void Perform(HWND__* dialog, const standin::Action& action) {
  HWND__* control = dialog->controls.count(action.control) ? dialog->controls[action.control] : nullptr;
  switch (action.kind) {
    case standin::Action::Press:
      // Esc and the close box reach the procedure as IDCANCEL whatever the button's state.
      if (action.control == IDCANCEL || (control && control->enabled)) Command(dialog, action.control);
      else Log("ignored " + dialog->name + " " + std::to_string(action.control));
      break;
    case standin::Action::Type:
      if (control) control->text = action.text;
      break;
    case standin::Action::Tick:
      if (control) control->checked = action.text == "1";
      break;
  }
}

}  // namespace

namespace standin {

namespace internal {
void ResetDesktop() { Desktop() = DesktopState{}; }
}  // namespace internal

void ScriptDialog(const std::string& template_name, std::vector<Action> actions) {
  Desktop().scripts[Upper(template_name)].push_back(std::move(actions));
}
void OnDialogOpen(std::function<void(HWND)> hook) { Desktop().open_hooks.push_back(std::move(hook)); }
int UnscriptedDialogs() { return Desktop().unscripted; }
void QueueMessage(const std::string& template_name, UINT message, WPARAM wparam, LPARAM lparam) {
  Desktop().queue.push_back({Upper(template_name), message, wparam, lparam});
}
int PeekCount() { return Desktop().peeks; }
void SetScreenSize(int width, int height) {
  Desktop().screen_width = width;
  Desktop().screen_height = height;
}
void SetDialogSize(const std::string& template_name, int width, int height) {
  Desktop().sizes[Upper(template_name)] = {width, height};
}
const std::vector<MessageBoxRecord>& RecordedMessageBoxes() { return Desktop().boxes; }
const std::vector<std::string>& DesktopLog() { return Desktop().log; }
std::vector<std::string> ControlTexts(const std::string& template_name, int id) {
  return Desktop().texts[Upper(template_name)][id];
}
std::vector<long> DialogResults(const std::string& template_name) {
  return Desktop().results[Upper(template_name)];
}

}  // namespace standin

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR template_name, HWND, DLGPROC procedure, LPARAM param) {
  DesktopState& desktop = Desktop();
  std::string name = Upper(template_name);
  auto info = std::find_if(Templates().begin(), Templates().end(),
                           [&](const TemplateInfo& t) { return name == t.name; });
  if (info == Templates().end() || procedure == nullptr) return -1;

  auto* dialog = new HWND__;
  dialog->name = name;
  dialog->dialog = dialog;
  dialog->proc = procedure;
  dialog->text = info->caption;
  auto size = desktop.sizes.count(name) ? desktop.sizes[name] : std::make_pair(info->width, info->height);
  dialog->rect = {0, 0, size.first, size.second};
  for (const auto& [id, text] : info->controls) {
    auto* control = new HWND__;
    control->name = name;
    control->id = id;
    control->text = text;
    control->dialog = dialog;
    dialog->controls[id] = control;
  }
  desktop.open.push_back(dialog);
  Log("open " + name);

  std::vector<standin::Action> actions;
  bool scripted = !desktop.scripts[name].empty();
  if (scripted) {
    actions = std::move(desktop.scripts[name].front());
    desktop.scripts[name].pop_front();
  }
  procedure(dialog, WM_INITDIALOG, 0, param);
  for (auto& hook : desktop.open_hooks) hook(dialog);
  for (const standin::Action& action : actions) {
    if (dialog->ended) break;
    Perform(dialog, action);
  }
  if (!dialog->ended) {
    ++desktop.unscripted;
    Command(dialog, IDCANCEL);
    if (!dialog->ended) dialog->result = -1;
  }

  INT_PTR result = dialog->result;
  Log("end " + name + " " + std::to_string(static_cast<long>(result)));
  desktop.results[name].push_back(static_cast<long>(result));
  desktop.open.pop_back();
  for (auto& [id, control] : dialog->controls) delete control;
  delete dialog;
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  if (!dialog) return FALSE;
  dialog->dialog->ended = true;
  dialog->dialog->result = result;
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  if (!dialog) return nullptr;
  auto it = dialog->controls.find(id);
  return it == dialog->controls.end() ? nullptr : it->second;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window) return 0;
  switch (message) {
    case WM_SETTEXT:
      SetControlText(window, lparam ? reinterpret_cast<const char*>(lparam) : "");
      return TRUE;
    case WM_GETTEXT: {
      if (wparam == 0) return 0;
      std::size_t count = std::min<std::size_t>(window->text.size(), wparam - 1);
      std::memcpy(reinterpret_cast<char*>(lparam), window->text.data(), count);
      reinterpret_cast<char*>(lparam)[count] = '\0';
      return static_cast<LRESULT>(count);
    }
    case BM_GETCHECK:
      return window->checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      window->checked = wparam == BST_CHECKED;
      return 0;
    case BM_CLICK:
      if (window->id != 0 && window->enabled) Command(window->dialog, window->id);
      else Log("ignored " + window->name + " " + std::to_string(window->id));
      return 0;
    default:
      if (window->id == 0 && window->proc) return window->proc(window, message, wparam, lparam);
      return 0;
  }
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (!window) return FALSE;
  SetControlText(window, text ? text : "");
  return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
  HWND control = GetDlgItem(dialog, id);
  if (size <= 0) return 0;
  if (!control) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t count = std::min<std::size_t>(control->text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, control->text.data(), count);
  buffer[count] = '\0';
  return static_cast<UINT>(count);
}

HWND SetFocus(HWND window) {
  if (window) Log("focus " + window->name + " " + std::to_string(window->id));
  return nullptr;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  if (!window) return FALSE;
  BOOL was_disabled = window->enabled ? FALSE : TRUE;
  window->enabled = enable != FALSE;
  Log("enable " + window->name + " " + std::to_string(window->id) + (enable ? " 1" : " 0"));
  return was_disabled;
}

BOOL SetForegroundWindow(HWND window) {
  if (!window) return FALSE;
  Log("foreground " + window->name);
  return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (!window) return FALSE;
  *rect = window->rect;
  return TRUE;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return Desktop().screen_width;
  if (index == SM_CYSCREEN) return Desktop().screen_height;
  return 0;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
  if (!window) return FALSE;
  LONG width = window->rect.right - window->rect.left, height = window->rect.bottom - window->rect.top;
  if (!(flags & SWP_NOSIZE)) {
    width = cx;
    height = cy;
  }
  window->rect = {x, y, x + width, y + height};
  Log("move " + window->name + " " + std::to_string(x) + " " + std::to_string(y));
  return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  Desktop().boxes.push_back({text ? text : "", caption ? caption : "", type, owner != nullptr});
  return IDOK;
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT remove) {
  DesktopState& desktop = Desktop();
  ++desktop.peeks;
  while (!desktop.queue.empty()) {
    QueuedMessage queued = desktop.queue.front();
    auto target = std::find_if(desktop.open.rbegin(), desktop.open.rend(),
                               [&](HWND__* w) { return w->name == queued.name; });
    if (target == desktop.open.rend()) return FALSE;  // waits until its dialog is open
    if (remove & PM_REMOVE) desktop.queue.pop_front();
    *msg = MSG{*target, queued.message, queued.wparam, queued.lparam, 0, {0, 0}};
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg->hwnd || !msg->hwnd->dialog->proc) return 0;
  return msg->hwnd->dialog->proc(msg->hwnd->dialog, msg->message, msg->wParam, msg->lParam);
}

LONG_PTR SetWindowLongPtrA(HWND, int, LONG_PTR) { return 0; }
