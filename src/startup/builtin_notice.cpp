// The built-in notice, scrambled at compile time with the text key stream.
#include "startup/builtin_notice.h"

#include "startup/scramble.h"

namespace startup {
namespace {

constexpr char kPlainNotice[] =
    "Pellmor setup package. Its files are unpacked to a temporary folder and removed when setup is done.\r\n";
static_assert(sizeof kPlainNotice - 1 == kNoticeLength, "the notice is 101 characters long");
constexpr ScrambledText<sizeof kPlainNotice> kScrambled = ScrambleAtCompileTime(kPlainNotice, kNoticeScrambled);

}  // namespace

// Copied out of the constexpr record so the image holds only the scrambled bytes.
const char kStoredNotice[kNoticeLength + 1] = {
#define N(i) kScrambled.bytes[i]
#define N10(i) N(i), N(i + 1), N(i + 2), N(i + 3), N(i + 4), N(i + 5), N(i + 6), N(i + 7), N(i + 8), N(i + 9)
    N10(0), N10(10), N10(20), N10(30), N10(40), N10(50), N10(60), N10(70), N10(80), N10(90), N(100), N(101)
#undef N10
#undef N
};

}  // namespace startup
