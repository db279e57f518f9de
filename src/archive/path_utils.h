// Small routines on NUL-terminated character buffers, paths and the package file's
// position, shared by start-up, extraction, the launch and the dialogs. None shows
// a message. Both '\' and '/' separate path components on input; ':' ends a drive.
#pragma once

#include "platform/types.h"
#include "startup/setup_state.h"

namespace archive {

constexpr u16 kSeekFromStart = 0;  // FILE_BEGIN
constexpr u16 kSeekFromEnd = 2;    // FILE_END
constexpr u32 kFindPatternSize = 255;  // PathExists' own buffer for "<dir>\*.*"

// Bytes before the first NUL.
u16 PCharLength(const char* buffer);

// Moves PackageFile to `position` (from the start or the end) and records the
// result in FilePos; a failed move records -1. The only writer of FilePos.
void SeekPackage(i32 position, u16 method);

// Adds a '\' unless the text already ends with one ("" becomes "\"). Needs room
// for one more character within `capacity` bytes; returns false, unchanged, without.
bool AppendBackslash(char* buffer, u32 capacity);
// Removes one trailing '\', if any.
char* StripBackslash(char* buffer);
// Every '/' becomes '\'.
char* SlashesToBackslashes(char* buffer);

// Copies `length` bytes of `buffer` into `out` as a text cut before the first NUL.
// Returns the text's length, or -1 (out empty) when it would not fit `capacity`.
i32 BufferToString(const u8* buffer, u32 length, char* out, u32 capacity);

// Directory part of `path` into `out` (at most capacity - 1 characters):
// C:\abc -> C:\, C:\abc\def -> C:\abc, C:abc -> C:, \x -> "", dir/sub/f -> dir/sub.
void PathDirectory(const char* path, char* out, u32 capacity);
// The characters behind the last '\', '/' or ':' (the whole path without one).
void PathFileName(const char* path, char* out, u32 capacity);

// True when a file or directory of that name exists. A path ending in '\' is
// searched as "<path>*.*" in a buffer of its own; any other path has its '/'
// turned into '\' in place first. Wildcards act as wildcards.
bool PathExists(char* path);

// Creates the directory and every missing parent, parents first. Failures are
// not reported (callers test PathExists). Every directory this call creates is
// appended to `created` when it is not null.
void MakeDirectories(const char* path, startup::PathList* created);

// Appends a copy of `path` to the list; false when memory runs out.
bool AppendPath(startup::PathList* list, const char* path);
// Frees every entry and the list itself; the list is empty afterwards.
void ReleasePaths(startup::PathList* list);

}  // namespace archive
