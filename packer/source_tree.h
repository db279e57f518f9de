// The files of a package's source folder: every regular file below it (symbolic
// links followed), and every empty directory, in byte order of their relative
// names, so that the same folder always gives the same archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packer {

struct SourceItem {
  std::string relative;   // UTF-8 as on disk, '/' separated; a directory ends with '/'
  std::string host_path;  // the path to read
  bool directory = false;
  std::uint64_t size = 0;
  std::int64_t mtime = 0;  // seconds since 1970
};

// Whether a relative name ("docs/a.txt"; a folder without its trailing '/') is
// left out by one of `patterns`: a pattern without '/' matches a file or folder
// of that name at any depth ("*.bak", ".git"); a pattern with '/' matches the
// whole relative name ("docs/draft-*"). Shell wildcards: * ? [...]; '*' does not
// cross a '/'. A folder left out takes everything below it along.
bool IsExcluded(const std::string& relative, const std::vector<std::string>& patterns);

// Walks `root`. `skip` (host paths, compared by device and inode) are left out:
// the output file when it lies inside the folder; so is whatever `exclude`
// matches (IsExcluded). Refuses (false, `error`) a
// root that is not a directory, an unreadable directory, a dangling link, a
// link that loops back to a folder above it, and anything that is neither a
// file nor a directory (devices, pipes, sockets), naming the path.
bool ScanSource(const std::string& root, const std::vector<std::string>& skip,
                const std::vector<std::string>& exclude, std::vector<SourceItem>* items, std::string* error);

}  // namespace packer
