// Test control of the POSIX stand-in: choose the folder that stands for each
// drive, script the person at the dialogs and the outcome of child processes,
// and read back what a person would have seen. Only tests include this header.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace standin {

// Thrown by ExitProcess so a test can watch the program end.
struct ProcessExit {
  unsigned code;
};

// Forgets everything scripted or recorded; drive C: maps to nothing until set.
void Reset();

// --- files and directories -------------------------------------------------
// `C:\` (any letter) is the host directory `root`. Paths map by turning '\' into '/'.
void SetDriveRoot(char letter, const std::string& root);
std::string HostPath(const std::string& windows_path);  // mapped host path
void SetCurrentDirectory(const std::string& windows_path);
void SetTempPath(const std::string& value);             // what GetTempPathA reports ("" = fails)
void SetSystemDirectory(const std::string& value);
void SetModuleFileName(const std::string& windows_path);
void SetTimeZoneBias(int minutes);  // local time = UTC - bias (Windows' convention)
void SetShortPathName(const std::string& long_path, const std::string& short_path);
void FailFileSizeQuery(bool fail);
// Every later write moves at most this many bytes in total (a full disk); -1 = no limit.
void LimitDiskSpace(long long bytes);
// Every later read of a file delivers nothing once this many bytes were read in total; -1 = no limit.
void LimitReads(long long bytes);
// CloseHandle of a file reports failure (the file is closed all the same).
void FailFileClose(bool fail);

// --- heap --------------------------------------------------------------------
void FailAllocationAfter(long count);  // the allocation after `count` more succeeds fails; -1 = never
long long HeapInUse();
long long HeapPeak();
void ResetHeapPeak();
long AllocationCount();

// --- the person at the desktop -----------------------------------------------
struct Action {
  enum Kind { Press, Type, Tick } kind;
  int control;
  std::string text;  // Type: the text; Tick: "1" or "0"
};
inline Action Press(int id) { return {Action::Press, id, {}}; }
inline Action Type(int id, const std::string& text) { return {Action::Type, id, text}; }
inline Action Tick(int id, bool on = true) { return {Action::Tick, id, on ? "1" : "0"}; }
// The next opening of dialog `template_name` (case-insensitive) runs these actions
// in order. A dialog that opens with no script left, or runs out of actions without
// ending, is pressed with IDCANCEL (Esc) and counted in UnscriptedDialogs().
void ScriptDialog(const std::string& template_name, std::vector<Action> actions);
// Runs `hook` right after the dialog's WM_INITDIALOG (for tests that act from inside).
void OnDialogOpen(std::function<void(HWND)> hook);
int UnscriptedDialogs();
// Messages that PeekMessageA hands out, in order, to the named open dialog.
void QueueMessage(const std::string& template_name, UINT message, WPARAM wparam, LPARAM lparam);
int PeekCount();
void SetScreenSize(int width, int height);
void SetDialogSize(const std::string& template_name, int width, int height);

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  unsigned type;
  bool owned;  // an owner window was given
};
const std::vector<MessageBoxRecord>& RecordedMessageBoxes();

// One line per visible event, in order:
//   "open NAME", "end NAME RESULT", "caption NAME TEXT", "text NAME ID TEXT",
//   "enable NAME ID 0|1", "focus NAME ID", "move NAME X Y", "foreground NAME"
const std::vector<std::string>& DesktopLog();
// Every text control `id` of dialog `template_name` was given, in order.
std::vector<std::string> ControlTexts(const std::string& template_name, int id);
// Results of each DialogBoxParamA call of that template, in order.
std::vector<long> DialogResults(const std::string& template_name);

// --- processes and security ----------------------------------------------------
struct ProcessRecord {
  std::string application;  // "" when none was given
  std::string command_line;
  bool inherit_handles;
  unsigned flags;
  bool has_environment;
  std::string current_directory_arg;  // "" when none was given
  std::string current_directory;      // the process's current directory at the call
  STARTUPINFOA startup;
};
// The next CreateProcessA: fails to start (start_fails) or ends with `exit_code`;
// `during` runs while it "runs" (with the stand-in's current directory set).
void ScriptProcess(bool start_fails, unsigned exit_code, std::function<void()> during = {});
void FailExitCodeQuery(bool fail);
const std::vector<ProcessRecord>& RecordedProcesses();

struct Group {
  std::vector<unsigned> sid;  // authority (last byte) then sub-authorities: {5, 32, 544}
  unsigned attributes;
};
void SetPlatform(unsigned platform_id);  // GetVersionExA's dwPlatformId (default NT)
void SetTokenGroups(std::vector<Group> groups);
// Which security calls fail: "thread", "process", "info", "sid".
void FailSecurityCall(const std::string& which, bool fail = true);
int OpenTokenCount();  // tokens opened and not yet closed

}  // namespace standin
