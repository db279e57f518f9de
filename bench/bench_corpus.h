// Benchmark corpora gathered at run time from the files of this machine: text
// (readable files under /usr/share) and mixed binary (files under /usr/lib),
// each about 8 MiB, in sorted path order so that runs are comparable.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace benchcorpus {

inline void ListFiles(const std::string& dir, std::vector<std::string>* out, size_t limit) {
  if (out->size() >= limit) return;
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    std::string path = dir + "/" + n;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) ListFiles(path, out, limit);
    else if (S_ISREG(st.st_mode) && st.st_size > 0) out->push_back(path);
    if (out->size() >= limit) return;
  }
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool LooksLikeText(const std::string& s) {
  if (s.empty()) return false;
  size_t odd = 0;
  for (unsigned char c : s)
    if (c < 9 || (c > 13 && c < 32) || c == 127) ++odd;
  return odd * 100 < s.size();
}

// Readable text files under /usr/share (documentation, licences, scripts).
inline std::string TextCorpus(size_t size = 8 << 20) {
  std::vector<std::string> files;
  ListFiles("/usr/share", &files, 200000);
  std::string out;
  for (const std::string& f : files) {
    std::string s = ReadAll(f);
    if (s.size() > (1 << 20) || !LooksLikeText(s)) continue;
    out += s;
    if (out.size() >= size) break;
  }
  out.resize(std::min(out.size(), size));
  return out;
}

// Whatever files lie under /usr/lib: libraries, data, scripts, some compressed.
inline std::string MixedCorpus(size_t size = 8 << 20) {
  std::vector<std::string> files;
  ListFiles("/usr/lib", &files, 200000);
  std::string out;
  for (const std::string& f : files) {
    std::string s = ReadAll(f);
    if (s.size() > (2 << 20)) s.resize(2 << 20);
    out += s;
    if (out.size() >= size) break;
  }
  out.resize(std::min(out.size(), size));
  return out;
}

}  // namespace benchcorpus
