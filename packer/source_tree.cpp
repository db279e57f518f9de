#include "packer/source_tree.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace packer {
namespace {

using FileId = std::pair<dev_t, ino_t>;

struct Walker {
  std::set<FileId> skip;
  std::vector<FileId> ancestors;  // the folders on the way down, for loop detection
  const std::vector<std::string>* exclude;
  std::vector<SourceItem>* items;
  std::string* error;

  bool Fail(const std::string& message) {
    *error = message;
    return false;
  }

  bool Walk(const std::string& host, const std::string& relative) {
    DIR* dir = opendir(host.c_str());
    if (!dir) return Fail("cannot read the folder " + host + ": " + std::strerror(errno));
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string path = host + "/" + name;
      std::string rel = relative + name;
      if (IsExcluded(rel, *exclude)) continue;
      struct stat info;
      if (stat(path.c_str(), &info) != 0) {
        struct stat link;
        if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
          return Fail("the symbolic link " + path + " points at nothing");
        return Fail("cannot read " + path + ": " + std::strerror(errno));
      }
      FileId id{info.st_dev, info.st_ino};
      if (skip.count(id)) continue;
      if (S_ISDIR(info.st_mode)) {
        if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end())
          return Fail("the symbolic link " + path + " leads back to a folder above it");
        ancestors.push_back(id);
        std::size_t before = items->size();
        if (!Walk(path, rel + "/")) return false;
        ancestors.pop_back();
        if (items->size() == before) items->push_back({rel + "/", path, true, 0, static_cast<std::int64_t>(info.st_mtime)});
      } else if (S_ISREG(info.st_mode)) {
        items->push_back({rel, path, false, static_cast<std::uint64_t>(info.st_size),
                          static_cast<std::int64_t>(info.st_mtime)});
      } else {
        return Fail(path + " is neither a file nor a folder (a device, pipe or socket cannot be packed)");
      }
    }
    return true;
  }
};

}  // namespace

bool IsExcluded(const std::string& relative, const std::vector<std::string>& patterns) {
  std::size_t slash = relative.rfind('/');
  std::string base = slash == std::string::npos ? relative : relative.substr(slash + 1);
  for (const std::string& pattern : patterns) {
    bool whole = pattern.find('/') != std::string::npos;
    if (fnmatch(pattern.c_str(), whole ? relative.c_str() : base.c_str(), whole ? FNM_PATHNAME : 0) == 0) return true;
  }
  return false;
}

bool ScanSource(const std::string& root, const std::vector<std::string>& skip,
                const std::vector<std::string>& exclude, std::vector<SourceItem>* items, std::string* error) {
  struct stat info;
  if (stat(root.c_str(), &info) != 0) {
    *error = "cannot read the source folder " + root + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    *error = "the source " + root + " is not a folder";
    return false;
  }
  Walker walker;
  for (const std::string& path : skip) {
    struct stat s;
    if (stat(path.c_str(), &s) == 0) walker.skip.insert({s.st_dev, s.st_ino});
  }
  walker.ancestors.push_back({info.st_dev, info.st_ino});
  walker.exclude = &exclude;
  walker.items = items;
  walker.error = error;
  std::string base = root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (!walker.Walk(base, "")) return false;
  std::sort(items->begin(), items->end(),
            [](const SourceItem& a, const SourceItem& b) { return a.relative < b.relative; });
  return true;
}

}  // namespace packer
