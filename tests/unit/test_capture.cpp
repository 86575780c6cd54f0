// test_capture.cpp -- the video capture's row flip, sanitized: each row of a
// frame read back bottom row first lands top row first, and nothing past the
// frame is read or written.
#include "platform/linux/linux_capture.h"

#include <gtest/gtest.h>

TEST(Capture, TheReadBacksRowsComeOutTopDown)
{
    const std::vector<unsigned char> read = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}; // three rows of four bytes
    std::vector<unsigned char> shown(read.size());
    capture_rows_flip(read.data(), shown.data(), 4, 3);
    EXPECT_EQ(shown, (std::vector<unsigned char>{9, 10, 11, 12, 5, 6, 7, 8, 1, 2, 3, 4}));
}
