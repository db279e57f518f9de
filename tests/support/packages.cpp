#include "support/packages.h"

#include <stdexcept>

#include "platform/posix/standin.h"
#include "startup/setup_state.h"
#include "support/test_env.h"

namespace testenv {

packer::Bytes FakeStub() {
  packer::Bytes stub(packer::kStubSize, 0);
  stub[0] = 'M';
  stub[1] = 'Z';
  return stub;
}

packer::Bytes MakePackage(const packer::PackageFields& fields, const std::vector<packer::ArchiveEntry>& entries,
                          const std::string& comment) {
  packer::Bytes package;
  std::string error;
  if (!packer::BuildPackage(FakeStub(), fields, packer::BuildArchive(entries, comment), &package, &error))
    throw std::runtime_error(error);
  return package;
}

void OpenPackage(const std::string& windows_path, const packer::Bytes& bytes) {
  WriteHostFile(standin::HostPath(windows_path), bytes);
  startup::g_Setup.PackageFile = CreateFileA(windows_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace testenv
