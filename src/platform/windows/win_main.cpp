// The stub's Windows entry: hand over to the installer's run, exit code 0 always.
#include "platform/win32.h"
#include "startup/prepare_setup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  startup::RunSetup();
  ExitProcess(0);
}
