// Confinement of entry names: a name is joined to the working directory as it is
// stored, so only a plain relative path of ordinary components may pass.
//
// The test runs over bytes. In a double-byte code page a trail byte may equal '\'
// (never '/', ':' or '.', whose values lie below every trail byte), so this test
// can only see more separators than Windows does, never fewer: every component
// Windows sees is a run of components checked here.
#include "archive/entry_name.h"

namespace archive {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Characters Windows refuses in a name: the controls, the wildcards, the
// redirection and quoting characters, and ':' (a drive or an alternate data
// stream). The separators are handled by the caller.
bool IsForbidden(u8 c) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || c == ':';
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameUpper(const char* text, u32 length, const char* upper) {
  for (u32 i = 0; i < length; ++i)
    if (upper[i] == '\0' || Upper(text[i]) != upper[i]) return false;
  return upper[length] == '\0';
}

// Device names exist in every directory: CON, PRN, AUX, NUL, CONIN$, CONOUT$, and
// COM or LPT with one digit (0-9, or the superscripts 1, 2, 3 of the ANSI code
// page). Windows compares the part before the first '.', with blanks dropped from
// its end, without regard to case: "nul.txt" and "Com1 .log" are devices too.
bool IsDeviceName(const char* component, u32 length) {
  u32 base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  static const char kDevices[][8] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (SameUpper(component, base, device)) return true;
  if (base != 4 || !(SameUpper(component, 3, "COM") || SameUpper(component, 3, "LPT"))) return false;
  u8 digit = static_cast<u8>(component[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// A component must not be empty, must not end in '.' or ' ' (Windows drops them,
// so "a." would be "a" and "..." the directory itself; "." and ".." end in a dot)
// and must not name a device.
bool IsSafeComponent(const char* component, u32 length) {
  if (length == 0) return false;
  char last = component[length - 1];
  if (last == '.' || last == ' ') return false;
  return !IsDeviceName(component, length);
}

}  // namespace

bool IsSafeEntryName(const char* name) {
  if (name == nullptr || name[0] == '\0' || IsSeparator(name[0])) return false;  // also "\\server"
  const char* component = name;
  for (const char* p = name;; ++p) {
    char c = *p;
    if (c == '\0') {
      // A name ending in a separator (a directory entry) leaves an empty last component.
      return p == component || IsSafeComponent(component, static_cast<u32>(p - component));
    }
    if (IsSeparator(c)) {
      if (!IsSafeComponent(component, static_cast<u32>(p - component))) return false;
      component = p + 1;
    } else if (IsForbidden(static_cast<u8>(c))) {
      return false;
    }
  }
}

}  // namespace archive
