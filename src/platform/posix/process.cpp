// Stand-in for process creation and waiting. CreateProcessA records what it was
// given and plays a scripted outcome: a start failure, or a run (an optional test
// action) that ends with a chosen exit code. Without a script the child ends with 0.
#include <deque>

#include "platform/posix/standin_internal.h"

using standin::internal::HandleObject;
using standin::internal::MakeHandle;

namespace {

struct Scripted {
  bool start_fails;
  unsigned exit_code;
  std::function<void()> during;
};

struct ProcessState {
  std::deque<Scripted> scripts;
  std::vector<standin::ProcessRecord> records;
  bool fail_exit_code = false;
};

ProcessState& Processes() {
  static ProcessState state;
  return state;
}

HandleObject* g_current_process = standin::internal::MakeHandle(HandleObject::Pseudo);
HandleObject* g_current_thread = standin::internal::MakeHandle(HandleObject::Pseudo);

}  // namespace

namespace standin {
namespace internal {
void ResetProcesses() { Processes() = ProcessState{}; }
}  // namespace internal

void ScriptProcess(bool start_fails, unsigned exit_code, std::function<void()> during) {
  Processes().scripts.push_back({start_fails, exit_code, std::move(during)});
}
void FailExitCodeQuery(bool fail) { Processes().fail_exit_code = fail; }
const std::vector<ProcessRecord>& RecordedProcesses() { return Processes().records; }

}  // namespace standin

BOOL CreateProcessA(LPCSTR application, LPSTR command_line, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*,
                    BOOL inherit_handles, DWORD flags, void* environment, LPCSTR current_directory,
                    STARTUPINFOA* startup, PROCESS_INFORMATION* process) {
  ProcessState& state = Processes();
  standin::ProcessRecord record{};
  record.application = application ? application : "";
  record.command_line = command_line ? command_line : "";
  record.inherit_handles = inherit_handles != FALSE;
  record.flags = flags;
  record.has_environment = environment != nullptr;
  record.current_directory_arg = current_directory ? current_directory : "";
  record.current_directory = standin::internal::Files().current_directory;
  if (startup) record.startup = *startup;
  state.records.push_back(record);

  Scripted script{false, 0, {}};
  if (!state.scripts.empty()) {
    script = std::move(state.scripts.front());
    state.scripts.pop_front();
  }
  if (script.start_fails) return FALSE;
  if (script.during) script.during();
  auto* child = MakeHandle(HandleObject::Process);
  child->exit_code = script.exit_code;
  process->hProcess = child;
  process->hThread = MakeHandle(HandleObject::Thread);
  process->dwProcessId = 4242;
  process->dwThreadId = 4243;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD) {
  return handle && handle != INVALID_HANDLE_VALUE ? WAIT_OBJECT_0 : WAIT_FAILED;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* code) {
  auto* object = static_cast<HandleObject*>(process);
  if (!object || Processes().fail_exit_code || object->kind != HandleObject::Process) return FALSE;
  *code = object->exit_code;
  return TRUE;
}

HANDLE GetCurrentProcess() { return g_current_process; }
HANDLE GetCurrentThread() { return g_current_thread; }
