// Whether the user belongs to the built-in Administrators group.
#pragma once

namespace startup {

// True on non-NT Windows (every user counts as administrator), and on NT when
// the thread's (else the process's) token lists S-1-5-32-544 among its groups,
// whatever the group's attributes (deny-only included). Any failing call: false.
bool IsAdministrator();

}  // namespace startup
