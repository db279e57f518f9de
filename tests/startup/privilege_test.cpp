// The Administrators test: platform, token choice, group membership, failures.
#include <gtest/gtest.h>

#include "platform/posix/standin.h"
#include "startup/privilege.h"
#include "support/test_env.h"

namespace {

class PrivilegeTest : public testenv::Env {};

TEST_F(PrivilegeTest, Cases) {
  const standin::Group admins{{5, 32, 544}, 0};
  const standin::Group admins_deny_only{{5, 32, 544}, SE_GROUP_USE_FOR_DENY_ONLY};
  const standin::Group users{{5, 32, 545}, 0};
  const standin::Group other_authority{{1, 32, 544}, 0};
  const standin::Group admin_rid_alone{{5, 544}, 0};
  struct Case {
    const char* what;
    unsigned platform;
    std::vector<standin::Group> groups;
    std::vector<std::string> failing;
    bool expected;
  } cases[] = {
      {"non-NT platform counts as administrator", VER_PLATFORM_WIN32_WINDOWS, {users}, {}, true},
      {"Administrators among the groups", VER_PLATFORM_WIN32_NT, {users, admins}, {}, true},
      {"deny-only membership still counts", VER_PLATFORM_WIN32_NT, {admins_deny_only}, {}, true},
      {"ordinary user", VER_PLATFORM_WIN32_NT, {users}, {}, false},
      {"no groups", VER_PLATFORM_WIN32_NT, {}, {}, false},
      {"same RID under another authority", VER_PLATFORM_WIN32_NT, {other_authority}, {}, false},
      {"RID without the builtin domain", VER_PLATFORM_WIN32_NT, {admin_rid_alone}, {}, false},
      {"no thread token: the process token is asked", VER_PLATFORM_WIN32_NT, {admins}, {"thread"}, true},
      {"no token at all", VER_PLATFORM_WIN32_NT, {admins}, {"thread", "process"}, false},
      {"group query fails", VER_PLATFORM_WIN32_NT, {admins}, {"info"}, false},
      {"SID cannot be made", VER_PLATFORM_WIN32_NT, {admins}, {"sid"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::Reset();
    standin::SetPlatform(c.platform);
    standin::SetTokenGroups(c.groups);
    for (const auto& call : c.failing) standin::FailSecurityCall(call);
    long long heap = standin::HeapInUse();
    EXPECT_EQ(startup::IsAdministrator(), c.expected);
    EXPECT_EQ(standin::OpenTokenCount(), 0) << "the token is closed again";
    EXPECT_EQ(standin::HeapInUse(), heap) << "the group buffer is freed";
    EXPECT_TRUE(standin::RecordedMessageBoxes().empty());
  }
}

}  // namespace
