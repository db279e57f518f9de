// Test fixture: a fresh drive C: in a scratch folder, a clean stand-in and a clean
// SetupState with its CRC table built, as the entry point leaves them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/standin.h"
#include "startup/setup_state.h"

namespace testenv {

// Frees what the run allocated and zeroes the record (the real program never
// resets it; tests run many "processes" in one).
void ResetSetupState();
// Allocates and builds g_Setup.CrcTable.
void BuildCrc();

std::string ReadHostFile(const std::string& host_path);
void WriteHostFile(const std::string& host_path, const std::vector<unsigned char>& bytes);
void WriteHostFile(const std::string& host_path, const std::string& bytes);
bool HostExists(const std::string& host_path);
// Every file and directory below `host_dir`, relative, sorted, directories with a trailing '/'.
std::vector<std::string> ListTree(const std::string& host_dir);

class Env : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Host path of a Windows path on drive C:.
  std::string Host(const std::string& windows_path) const { return standin::HostPath(windows_path); }
  std::string root_;  // the folder that stands for C:\ (removed after the test)
};

}  // namespace testenv
