// The one SetupState instance. Zero-initialised storage: costs no file bytes.
#include "startup/setup_state.h"

#include "platform/memory.h"

namespace startup {

SetupState g_Setup;

}  // namespace startup
