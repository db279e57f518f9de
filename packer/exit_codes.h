// Exit statuses of pellmor-pack, one meaning each (docs/pellmor-pack.md lists them).
#pragma once

#include <string>

namespace packer {

constexpr int kExitOk = 0;        // done; for test: every check passed
constexpr int kExitDamaged = 1;   // the package is damaged or fails a check the installer makes
constexpr int kExitUsage = 2;     // unknown command or option, missing or malformed argument
constexpr int kExitRefused = 3;   // build: an input the package cannot carry (name, text, size, INF, stub)
constexpr int kExitIo = 4;        // a file could not be read or written
constexpr int kExitPassword = 5;  // encrypted entries and no password, or a wrong one

// A failure on its way to main: the status and one message line.
struct Failure {
  int code = kExitOk;
  std::string message;
};

}  // namespace packer
