// One progress line on stderr, rewritten in place, for long builds, tests and
// extractions. Shown only when stderr is a terminal; silent otherwise (pipes,
// logs, tests).
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace packer {

class Progress {
 public:
  // `enabled` false makes every call a no-op; Progress::ForStderr() decides by isatty.
  Progress(std::string verb, bool enabled);
  ~Progress();
  static bool StderrIsTerminal();

  // `done` of `total` units (bytes) and the item at hand. Redrawn at most ten
  // times a second, and only once the work has run for half a second.
  void Update(std::uint64_t done, std::uint64_t total, const std::string& item);
  // Clears the line.
  void Finish();

 private:
  std::string verb_;
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
  std::mutex lock_;
};

}  // namespace packer
