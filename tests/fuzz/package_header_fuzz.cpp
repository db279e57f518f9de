// Fuzz target: the package reader. The input is everything behind the stub image
// (header, texts, archive, tail); ReadPackageHeader with its integrity and
// privilege checks must end or refuse without a crash, a leak or an allocation
// larger than the file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/memory.h"
#include "platform/posix/standin.h"
#include "startup/package_header.h"
#include "startup/setup_state.h"
#include "ui/messages.h"

namespace {

constexpr std::size_t kStub = 34304;

std::string ScratchRoot() {
  static std::string root;
  if (root.empty()) {
    char pattern[] = "/tmp/pellmor-fuzz-header-XXXXXX";
    root = mkdtemp(pattern);
  }
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using startup::g_Setup;
  standin::Reset();
  standin::SetDriveRoot('C', ScratchRoot());
  standin::SetTokenGroups({{{5, 32, size % 2 ? 544u : 545u}, 0}});
  {
    std::ofstream out(ScratchRoot() + "/Setup.exe", std::ios::binary | std::ios::trunc);
    std::string stub(kStub, '\0');
    out.write(stub.data(), static_cast<std::streamsize>(stub.size()));
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::memset(static_cast<void*>(&g_Setup), 0, sizeof g_Setup);
  g_Setup.InfName = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
  g_Setup.Title = static_cast<char*>(platform::Alloc(startup::kHeaderTextSize));
  g_Setup.InfName[0] = g_Setup.Title[0] = '\0';
  g_Setup.PackageFile = CreateFileA("C:\\Setup.exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ended = false;
  standin::ResetHeapPeak();
  long long before = standin::HeapInUse();
  try {
    startup::ReadPackageHeader();
  } catch (const standin::ProcessExit&) {
    ended = true;
  }
  // Nothing larger than the file (plus the fixed buffers) was ever allocated.
  if (standin::HeapPeak() - before > static_cast<long long>(size) + 70000) std::abort();
  if (!ended) CloseHandle(g_Setup.PackageFile);
  platform::Free(g_Setup.InfName);
  platform::Free(g_Setup.Title);
  platform::Free(g_Setup.InfoText);
  if (g_Setup.WelcomeText != ui::kDefaultWelcomeText) platform::Free(const_cast<char*>(g_Setup.WelcomeText));
  platform::Free(g_Setup.LicenceText);
  std::memset(static_cast<void*>(&g_Setup), 0, sizeof g_Setup);
  return 0;
}
