// The Wine robot: plays the person at the installer's windows from a script and
// prints what it saw. Built with mingw (x86_64, console), run under the same Wine
// prefix as the package, so window handles are shared and FindWindow works.
//
// Usage: robot.exe SCRIPT
// The script has one command per line, fields separated by TABs; "\r", "\n",
// "\t" and "\\" are escapes in fields (other backslashes are kept, as in
// paths); blank lines and lines starting with '#' are skipped. Waits give up
// after the timeout (30 s unless set).
//   timeout  SECONDS            later waits give up after this long
//   window   CAPTION [ID]       wait for a dialog with that caption (and a control
//                               ID); it becomes the current window
//   text     ID EXPECTED        wait until control ID shows exactly EXPECTED
//   show     ID                 print control ID's text
//   enabled  ID 0|1             wait until control ID is disabled / enabled
//   click    ID                 post BM_CLICK to control ID (a press of the button)
//   command  ID                 post WM_COMMAND ID to the window (2 = Esc, close box)
//   type     ID TEXT            set the text of edit control ID
//   tick     ID                 tick check box ID
//   msgbox   CAPTION [EXPECTED] wait for a message box, check its text (when given),
//                               press its button
//   closed                      wait until the current window is destroyed
//   gone     CAPTION            wait until no window has that caption
//   absent   CAPTION            fail if a window has that caption now
//   rect                        print the current window's rectangle: rect X Y W H
//   waitfile PATH               wait until the file exists (a signal from the test)
//   sleep    MS
// Exit code: 0 when every command passed, 1 when a check failed or a wait timed out.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kFieldMax = 8;
constexpr int kTextMax = 4096;
constexpr UINT kSendTimeoutMs = 1000;  // one cross-process message; a busy window is asked again
constexpr DWORD kPollMs = 100;

DWORD g_timeout_ms = 30000;
HWND g_window = nullptr;
char g_caption[kTextMax];

// Prints a text with CR, LF, TAB, '"' and '\' escaped, so one event is one line.
void PrintEscaped(const char* text) {
  std::putchar('"');
  for (const char* p = text; *p; ++p) {
    switch (*p) {
      case '\r': std::fputs("\\r", stdout); break;
      case '\n': std::fputs("\\n", stdout); break;
      case '\t': std::fputs("\\t", stdout); break;
      case '"': std::fputs("\\\"", stdout); break;
      case '\\': std::fputs("\\\\", stdout); break;
      default: std::putchar(*p);
    }
  }
  std::putchar('"');
}

// "\r", "\n", "\t" and "\\" become their characters; any other backslash stays,
// so Windows paths need no escaping.
void Unescape(char* field) {
  char* out = field;
  for (char* p = field; *p; ++p) {
    char next = p[1];
    if (*p == '\\' && (next == 'r' || next == 'n' || next == 't' || next == '\\')) {
      *out++ = next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
      ++p;
    } else {
      *out++ = *p;
    }
  }
  *out = '\0';
}

[[noreturn]] void Fail(const char* what, const char* detail) {
  std::printf("FAIL %s ", what);
  PrintEscaped(detail ? detail : "");
  std::printf("\n");
  std::fflush(stdout);
  std::exit(1);
}

// Reads a window's text with a message that cannot hang on a busy window.
bool ReadText(HWND window, char* out, int size) {
  DWORD_PTR result = 0;
  out[0] = '\0';
  if (!SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(out), SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &result))
    return false;
  out[size - 1] = '\0';
  return true;
}

struct Search {
  const char* caption;
  int control;  // 0 = any
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char class_name[64];
  if (!GetClassNameA(window, class_name, sizeof class_name) || std::strcmp(class_name, "#32770") != 0) return TRUE;
  char caption[kTextMax];
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(caption, search->caption) != 0) return TRUE;
  if (search->control != 0 && !GetDlgItem(window, search->control)) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindDialog(const char* caption, int control) {
  Search search{caption, control, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls `ready` until it holds or the timeout passes.
template <typename Ready>
bool WaitFor(Ready ready) {
  DWORD start = GetTickCount();
  for (;;) {
    if (ready()) return true;
    if (GetTickCount() - start > g_timeout_ms) return false;
    Sleep(kPollMs);
  }
}

HWND Control(int id) {
  if (!g_window) Fail("no current window for control", "");
  HWND control = GetDlgItem(g_window, id);
  if (!control) Fail("no such control", "");
  return control;
}

void CmdWindow(const char* caption, int control) {
  HWND found = nullptr;
  if (!WaitFor([&] { return (found = FindDialog(caption, control)) != nullptr; })) Fail("window never came", caption);
  g_window = found;
  std::snprintf(g_caption, sizeof g_caption, "%s", caption);
  std::printf("window ");
  PrintEscaped(caption);
  std::printf("\n");
}

void CmdText(int id, const char* expected) {
  HWND control = Control(id);
  char text[kTextMax];
  bool same = WaitFor([&] { return ReadText(control, text, sizeof text) && std::strcmp(text, expected) == 0; });
  std::printf("text %d ", id);
  PrintEscaped(text);
  std::printf("\n");
  if (!same) Fail("text differs, expected", expected);
}

void CmdShow(int id) {
  char text[kTextMax];
  ReadText(Control(id), text, sizeof text);
  std::printf("text %d ", id);
  PrintEscaped(text);
  std::printf("\n");
}

void CmdEnabled(int id, bool expected) {
  HWND control = Control(id);
  bool same = WaitFor([&] { return (IsWindowEnabled(control) != FALSE) == expected; });
  std::printf("enabled %d %d\n", id, IsWindowEnabled(control) ? 1 : 0);
  if (!same) Fail("enabled state differs", expected ? "1" : "0");
}

// The text of a message box: its longest static text (the icon static has none).
struct BoxText {
  char text[kTextMax];
  HWND button;
};

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<BoxText*>(param);
  char class_name[64];
  GetClassNameA(child, class_name, sizeof class_name);
  if (_stricmp(class_name, "Static") == 0) {
    char text[kTextMax];
    if (ReadText(child, text, sizeof text) && std::strlen(text) > std::strlen(box->text))
      std::snprintf(box->text, sizeof box->text, "%s", text);
  } else if (_stricmp(class_name, "Button") == 0 && IsWindowVisible(child) && !box->button) {
    box->button = child;
  }
  return TRUE;
}

void CmdMessageBox(const char* caption, const char* expected /* null: not checked */) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindDialog(caption, 0)) != nullptr; })) Fail("message box never came", caption);
  BoxText read{};
  // The box may still be filling in its text when first seen.
  WaitFor([&] {
    read = BoxText{};
    EnumChildWindows(box, ReadBoxChild, reinterpret_cast<LPARAM>(&read));
    return read.text[0] != '\0' && read.button;
  });
  std::printf("msgbox ");
  PrintEscaped(caption);
  std::printf(" ");
  PrintEscaped(read.text);
  std::printf("\n");
  if (expected && std::strcmp(read.text, expected) != 0) Fail("message box text differs, expected", expected);
  if (!read.button) Fail("message box without a button", caption);
  PostMessageA(read.button, BM_CLICK, 0, 0);
  if (!WaitFor([&] { return !IsWindow(box); })) Fail("message box stayed", caption);
}

void CmdGone(const char* caption) {
  if (!WaitFor([&] { return FindDialog(caption, 0) == nullptr; })) Fail("window stayed", caption);
  std::printf("gone ");
  PrintEscaped(caption);
  std::printf("\n");
}

void CmdClosed() {
  if (!g_window) Fail("no current window to close", "");
  if (!WaitFor([] { return !IsWindow(g_window); })) Fail("window stayed open", g_caption);
  std::printf("closed ");
  PrintEscaped(g_caption);
  std::printf("\n");
  g_window = nullptr;
}

void CmdAbsent(const char* caption) {
  if (FindDialog(caption, 0)) Fail("window present", caption);
  std::printf("absent ");
  PrintEscaped(caption);
  std::printf("\n");
}

void CmdRect() {
  RECT rect;
  if (!g_window || !GetWindowRect(g_window, &rect)) Fail("no rectangle", g_caption);
  std::printf("rect %ld %ld %ld %ld\n", static_cast<long>(rect.left), static_cast<long>(rect.top),
              static_cast<long>(rect.right - rect.left), static_cast<long>(rect.bottom - rect.top));
}

void CmdWaitFile(const char* path) {
  if (!WaitFor([&] { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; })) Fail("file never came", path);
}

void Run(int argc, char** field) {
  const char* name = field[0];
  auto need = [&](int count) {
    if (argc < count) Fail("too few fields for", name);
  };
  if (!std::strcmp(name, "timeout")) {
    need(2);
    g_timeout_ms = static_cast<DWORD>(std::atoi(field[1])) * 1000;
  } else if (!std::strcmp(name, "window")) {
    need(2);
    CmdWindow(field[1], argc > 2 ? std::atoi(field[2]) : 0);
  } else if (!std::strcmp(name, "text")) {
    need(2);
    CmdText(std::atoi(field[1]), argc > 2 ? field[2] : "");
  } else if (!std::strcmp(name, "show")) {
    need(2);
    CmdShow(std::atoi(field[1]));
  } else if (!std::strcmp(name, "enabled")) {
    need(3);
    CmdEnabled(std::atoi(field[1]), std::atoi(field[2]) != 0);
  } else if (!std::strcmp(name, "click")) {
    need(2);
    std::printf("click %d\n", std::atoi(field[1]));
    PostMessageA(Control(std::atoi(field[1])), BM_CLICK, 0, 0);
  } else if (!std::strcmp(name, "command")) {
    need(2);
    int id = std::atoi(field[1]);
    std::printf("command %d\n", id);
    if (!g_window) Fail("no current window for", name);
    PostMessageA(g_window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(g_window, id)));
  } else if (!std::strcmp(name, "type")) {
    need(2);
    const char* text = argc > 2 ? field[2] : "";
    DWORD_PTR result = 0;
    std::printf("type %d (%u characters)\n", std::atoi(field[1]), static_cast<unsigned>(std::strlen(text)));
    if (!SendMessageTimeoutA(Control(std::atoi(field[1])), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &result))
      Fail("could not type into", field[1]);
  } else if (!std::strcmp(name, "tick")) {
    need(2);
    DWORD_PTR result = 0;
    std::printf("tick %d\n", std::atoi(field[1]));
    SendMessageTimeoutA(Control(std::atoi(field[1])), BM_SETCHECK, BST_CHECKED, 0, SMTO_ABORTIFHUNG, 5000, &result);
  } else if (!std::strcmp(name, "msgbox")) {
    need(2);
    CmdMessageBox(field[1], argc > 2 ? field[2] : nullptr);
  } else if (!std::strcmp(name, "closed")) {
    CmdClosed();
  } else if (!std::strcmp(name, "gone")) {
    need(2);
    CmdGone(field[1]);
  } else if (!std::strcmp(name, "absent")) {
    need(2);
    CmdAbsent(field[1]);
  } else if (!std::strcmp(name, "rect")) {
    CmdRect();
  } else if (!std::strcmp(name, "waitfile")) {
    need(2);
    CmdWaitFile(field[1]);
  } else if (!std::strcmp(name, "sleep")) {
    need(2);
    Sleep(static_cast<DWORD>(std::atoi(field[1])));
  } else {
    Fail("unknown command", name);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: robot.exe SCRIPT\n");
    return 2;
  }
  FILE* script = std::fopen(argv[1], "rb");
  if (!script) Fail("cannot open script", argv[1]);
  static char line[kTextMax];
  while (std::fgets(line, sizeof line, script)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0' || line[0] == '#') continue;
    char* field[kFieldMax];
    int count = 0;
    for (char* p = line; count < kFieldMax;) {
      field[count++] = p;
      char* tab = std::strchr(p, '\t');
      if (!tab) break;
      *tab = '\0';
      p = tab + 1;
    }
    for (int i = 0; i < count; ++i) Unescape(field[i]);
    Run(count, field);
  }
  std::fclose(script);
  std::printf("done\n");
  return 0;
}
