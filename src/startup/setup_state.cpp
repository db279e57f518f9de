// The one SetupState instance. Zero-initialised storage: costs no file bytes.
#include "startup/setup_state.h"

#include "archive/path_utils.h"
#include "platform/memory.h"
#include "ui/messages.h"

namespace startup {

SetupState g_Setup;

void ReleaseSetupState() {
  platform::Free(g_Setup.CrcTable);
  platform::Free(g_Setup.InfName);
  platform::Free(g_Setup.Title);
  platform::Free(g_Setup.InfoText);
  if (g_Setup.WelcomeText != ui::kDefaultWelcomeText) platform::Free(const_cast<char*>(g_Setup.WelcomeText));
  platform::Free(g_Setup.LicenceText);
  archive::ReleasePaths(&g_Setup.ExtractedFiles);
  archive::ReleasePaths(&g_Setup.CreatedDirs);
  platform::FillBytes(&g_Setup, 0, sizeof g_Setup);
}

}  // namespace startup
