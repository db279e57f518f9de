// Stand-in for the version query and the token calls behind the Administrators
// test. The platform id, the token's groups and failing calls are scripted.
#include <cstring>
#include <set>

#include "platform/posix/standin_internal.h"

using standin::internal::HandleObject;
using standin::internal::MakeHandle;

namespace {

// A SID as the stand-in hands it out: authority and sub-authorities.
struct StandinSid {
  BYTE authority[6];
  BYTE count;
  DWORD sub[8];
};

struct SecurityState {
  DWORD platform = VER_PLATFORM_WIN32_NT;
  std::vector<standin::Group> groups;
  std::set<std::string> failing;
  int open_tokens = 0;
};

SecurityState& Security() {
  static SecurityState state;
  return state;
}

StandinSid MakeSid(const std::vector<unsigned>& parts) {
  StandinSid sid{};
  sid.authority[5] = parts.empty() ? 0 : static_cast<BYTE>(parts[0]);
  sid.count = static_cast<BYTE>(parts.size() > 1 ? parts.size() - 1 : 0);
  for (std::size_t i = 1; i < parts.size() && i <= 8; ++i) sid.sub[i - 1] = parts[i];
  return sid;
}

HANDLE OpenToken() {
  ++Security().open_tokens;
  return MakeHandle(HandleObject::Token);
}

}  // namespace

namespace standin {
namespace internal {
void ResetSecurity() { Security() = SecurityState{}; }
void TokenClosed() { --Security().open_tokens; }
}  // namespace internal

void SetPlatform(unsigned platform_id) { Security().platform = platform_id; }
void SetTokenGroups(std::vector<Group> groups) { Security().groups = std::move(groups); }
void FailSecurityCall(const std::string& which, bool fail) {
  if (fail) Security().failing.insert(which);
  else Security().failing.erase(which);
}
int OpenTokenCount() { return Security().open_tokens; }

}  // namespace standin

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
  info->dwMajorVersion = 10;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 19045;
  info->dwPlatformId = Security().platform;
  info->szCSDVersion[0] = '\0';
  return TRUE;
}

BOOL OpenThreadToken(HANDLE, DWORD, BOOL, HANDLE* token) {
  if (Security().failing.count("thread")) return FALSE;
  *token = OpenToken();
  return TRUE;
}

BOOL OpenProcessToken(HANDLE, DWORD, HANDLE* token) {
  if (Security().failing.count("process")) return FALSE;
  *token = OpenToken();
  return TRUE;
}

// The buffer holds TOKEN_GROUPS followed by the SIDs its entries point at.
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD size, DWORD* needed) {
  auto* object = static_cast<HandleObject*>(token);
  if (!object || object->kind != HandleObject::Token || kind != TokenGroups) return FALSE;
  const auto& groups = Security().groups;
  std::size_t head = sizeof(TOKEN_GROUPS) + (groups.empty() ? 0 : groups.size() - 1) * sizeof(SID_AND_ATTRIBUTES);
  head = (head + 7) & ~static_cast<std::size_t>(7);
  DWORD total = static_cast<DWORD>(head + groups.size() * sizeof(StandinSid));
  if (needed) *needed = total;
  if (Security().failing.count("info") || buffer == nullptr || size < total) return FALSE;
  auto* list = static_cast<TOKEN_GROUPS*>(buffer);
  auto* sids = reinterpret_cast<StandinSid*>(static_cast<char*>(buffer) + head);
  list->GroupCount = static_cast<DWORD>(groups.size());
  for (std::size_t i = 0; i < groups.size(); ++i) {
    sids[i] = MakeSid(groups[i].sid);
    list->Groups[i].Sid = &sids[i];
    list->Groups[i].Attributes = groups[i].attributes;
  }
  return TRUE;
}

BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD s0, DWORD s1, DWORD s2,
                              DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid) {
  if (Security().failing.count("sid") || count > 8) return FALSE;
  auto* made = new StandinSid{};
  std::memcpy(made->authority, authority->Value, 6);
  made->count = count;
  DWORD values[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
  for (int i = 0; i < count; ++i) made->sub[i] = values[i];
  *sid = made;
  return TRUE;
}

BOOL EqualSid(PSID a, PSID b) {
  auto* x = static_cast<StandinSid*>(a);
  auto* y = static_cast<StandinSid*>(b);
  if (!x || !y || x->count != y->count || std::memcmp(x->authority, y->authority, 6) != 0) return FALSE;
  for (int i = 0; i < x->count; ++i)
    if (x->sub[i] != y->sub[i]) return FALSE;
  return TRUE;
}

void* FreeSid(PSID sid) {
  delete static_cast<StandinSid*>(sid);
  return nullptr;
}
