// In the sanitizer build, proves the checkers are really there: an
// out-of-bounds read and a signed overflow each end the process with the
// checker's report. (Elsewhere this file holds no test.)

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#ifdef QUODLET_SANITIZED
static_assert(__SANITIZE_ADDRESS__, "the sanitizer build must compile with AddressSanitizer");

namespace {

int ReadPast(int count) {
    const auto values = std::make_unique<int[]>(static_cast<size_t>(count));
    volatile int* pointer = values.get();
    return pointer[count];
}

// Where the results go, so that no computation is left out as unused.
volatile int sink = 0;

int Overflow(int value) {
    volatile int operand = value;
    return operand + 1;
}

TEST(SanitizerBuildDeathTest, AnOutOfBoundsReadIsReported) {
    EXPECT_DEATH(sink = ReadPast(4), "heap-buffer-overflow");
}

TEST(SanitizerBuildDeathTest, ASignedOverflowIsReported) {
    EXPECT_DEATH(sink = Overflow(INT_MAX), "signed integer overflow");
}

}  // namespace
#endif
