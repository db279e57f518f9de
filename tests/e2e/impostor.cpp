// The impostor: a program that the end-to-end tests plant as "RunDll32.exe"
// beside a package and inside its archive. If the installer ever started it
// instead of the system's engine, it would leave C:\e2e\impostor-ran.txt with its
// command line behind. Built with mingw (x86_64, GUI, no window).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE file = CreateFileA("C:\\e2e\\impostor-ran.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    CloseHandle(file);
  }
  return 0;
}
