// Where the default installer stub is found: the i686 stub, its administrator
// variant (a manifest that asks for elevation), or their x86_64 twins that the
// Wine tests run.
#pragma once

#include <string>
#include <vector>

namespace packer {

// "pellmor-stub.exe" or "pellmor-stub-admin.exe".
std::string StubFileName(bool needs_admin);

// Candidate paths, first match wins:
//   $PELLMOR_STUB_DIR/<arch>/<name>, and for win32 also $PELLMOR_STUB_DIR/<name>
//   <dir of pellmor-pack>/<arch>/<name>, <dir>/<name> (win32), <dir>/../share/pellmor/<arch>/<name>
//   <source>/build/<arch>/<name>   (the tree pellmor-pack was built from)
// `arch` is "win32" or "win64"; `env_dir`, `exe_dir` and `source_dir` may be empty.
std::vector<std::string> StubCandidates(const std::string& arch, bool needs_admin, const std::string& env_dir,
                                        const std::string& exe_dir, const std::string& source_dir);

// The first candidate that exists as a regular file; "" when none does.
std::string FindStub(const std::vector<std::string>& candidates);

}  // namespace packer
