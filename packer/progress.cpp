#include "packer/progress.h"

#include <unistd.h>

#include <cstdio>

namespace packer {

Progress::Progress(std::string verb, bool enabled)
    : verb_(std::move(verb)), enabled_(enabled), start_(std::chrono::steady_clock::now()), last_(start_) {}

Progress::~Progress() { Finish(); }

bool Progress::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void Progress::Update(std::uint64_t done, std::uint64_t total, const std::string& item) {
  if (!enabled_) return;
  std::lock_guard<std::mutex> guard(lock_);
  auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::milliseconds(500) || (shown_ && now - last_ < std::chrono::milliseconds(100)))
    return;
  last_ = now;
  shown_ = true;
  int percent = total ? static_cast<int>(done * 100 / total) : 100;
  std::string name = item.size() > 48 ? "..." + item.substr(item.size() - 45) : item;
  std::fprintf(stderr, "\r\033[K%s %3d%%  %.1f / %.1f MB  %s", verb_.c_str(), percent, done / 1e6, total / 1e6,
               name.c_str());
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!enabled_) return;
  std::lock_guard<std::mutex> guard(lock_);
  if (shown_) std::fprintf(stderr, "\r\033[K");
  shown_ = false;
  std::fflush(stderr);
}

}  // namespace packer
