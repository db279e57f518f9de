// What the installer accepts as an entry name and as an INF field, checked at
// build time so that a package the installer would refuse is never written.
// Names here are in the package's code page, '/' separated, as stored.
#pragma once

#include <string>
#include <vector>

#include "packer/codepage.h"

namespace packer {

// The longest stored name the installer reads: its name buffer holds 258 bytes
// with the terminating NUL.
constexpr std::size_t kLongestEntryName = 257;
// Longer names may not fit below the working directory (a full path holds at
// most 259 characters, and the working directory under a user's temp folder
// takes around sixty of them): the packer warns.
constexpr std::size_t kLongNameWarning = 190;
// The end-of-central-directory record counts entries in 16 bits.
constexpr std::size_t kMostEntries = 65535;

// UTF-8 relative name -> stored name in `page`. False with `error` (naming the
// file) when a character has no place in the code page, when a multi-byte
// character's bytes hold a '\' or '|' (the installer's byte-wise path routines
// would split the name there), when the installer would refuse the name (its
// confinement rule) or when it is longer than kLongestEntryName bytes.
bool StoredEntryName(const std::string& utf8, const CodePage& page, std::string* stored, std::string* error);

// A short reason why the installer refuses `stored`, for messages; "" when it
// accepts it.
std::string UnsafeNameReason(const std::string& stored);

// Folds letter case the way Windows file names ignore it (ASCII and the Latin
// letters of the code page), so that names Windows cannot tell apart compare equal.
std::string FoldCase(const std::string& utf8);

// Refuses two names that Windows would take for the same file or folder
// ("Read.me" and "READ.ME", or a file "Data" beside a folder "data/").
bool CheckNameClashes(const std::vector<std::string>& utf8_names, std::string* error);

// The INF field names a file of the package: the text before the first '|'
// must be "><" followed by the stored name of a packed file (compared without
// regard to case or to '/' versus '\'). `files` holds stored names of files
// (no folders).
bool CheckInfField(const std::string& field, const std::vector<std::string>& files, std::string* error);

// The default INF field: "><" + the single .inf file at the top of the
// package. False with `error` when there is none or more than one.
bool DefaultInfField(const std::vector<std::string>& top_level_files, std::string* field, std::string* error);

}  // namespace packer
