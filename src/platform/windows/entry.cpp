// The stub's Windows entry point. The image is linked without the C runtime's
// start-up code (-nostartfiles): there are no static constructors to run and the
// installer reads no command line, so the entry hands over to the installer's run
// and ends the process with exit code 0, as every path of the run does.
#include "platform/win32.h"
#include "startup/prepare_setup.h"

extern "C" void StubEntry() {
  startup::RunSetup();
  ExitProcess(0);
}
