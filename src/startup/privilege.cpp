// IsAdministrator: membership of S-1-5-32-544 (authority SECURITY_NT_AUTHORITY,
// sub-authorities SECURITY_BUILTIN_DOMAIN_RID and DOMAIN_ALIAS_RID_ADMINS) in the
// token's group list. Only membership counts, not the group's attribute flags.
#include "startup/privilege.h"

#include "platform/memory.h"
#include "platform/win32.h"

namespace startup {
namespace {

bool TokenHasAdministrators(HANDLE token) {
  DWORD needed = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &needed);  // learns the size only
  if (needed == 0) return false;
  auto* groups = static_cast<TOKEN_GROUPS*>(platform::Alloc(needed));
  if (!groups) return false;
  bool found = false;
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (GetTokenInformation(token, TokenGroups, groups, needed, &needed) &&
      AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                               0, 0, 0, &administrators)) {
    for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
      found = EqualSid(administrators, groups->Groups[i].Sid) != FALSE;
    FreeSid(administrators);
  }
  platform::Free(groups);
  return found;
}

}  // namespace

bool IsAdministrator() {
  OSVERSIONINFOA version;
  platform::FillBytes(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  // A failed query is no proof of a non-NT system: the token is asked then too.
  if (GetVersionExA(&version) && version.dwPlatformId != VER_PLATFORM_WIN32_NT) return true;

  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return false;
  bool result = TokenHasAdministrators(token);
  CloseHandle(token);
  return result;
}

}  // namespace startup
