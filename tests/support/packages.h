// Package fixtures: a stand-in stub image and whole packages made with the
// package writer, written onto the test's drive C: and opened as PackageFile.
#pragma once

#include <string>
#include <vector>

#include "packer/package_writer.h"

namespace testenv {

// A stub image of exactly the stub size (an "MZ" and zeros): what precedes the header.
packer::Bytes FakeStub();
// Stub + header + texts + archive of `entries`.
packer::Bytes MakePackage(const packer::PackageFields& fields, const std::vector<packer::ArchiveEntry>& entries,
                          const std::string& comment = "");
// Writes `bytes` to the Windows path on drive C: and opens it as g_Setup.PackageFile.
void OpenPackage(const std::string& windows_path, const packer::Bytes& bytes);

}  // namespace testenv
