// test_capture.cpp -- the video capture's read-back on the recording GL,
// sanitized: each presented frame, the window's client area, read with a
// pixel-store state of the capture's own and written to the encoder top row
// first, nothing past the frame read or written.
#include "fakes/fake_gl.h"
#include "platform/linux/linux_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

using Lines = std::vector<std::string>;

// What the clock and the queue ask of their platform.
DWORD platform_clock_ms(void) { return 0; }
void platform_events_take(void) {}
int platform_shift_held(void) { return 0; }

TEST(Capture, EachPresentedFrameGoesToTheEncoderTopRowFirst)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    cap.child_input = fds[1], cap.frames = 1; // the encoder's input, read below
    fake::gl_reset();
    fake::gl_read_pixels = [](int w, int h, unsigned char *pixels) { // byte k of row y: 10 y + k
        for (int i = 0; i < w * h * 3; i++)
            pixels[i] = (unsigned char)(i / (w * 3) * 10 + i % (w * 3));
    };
    HWND__ window = {};
    window.width = 2, window.height = 3;
    PlatformWindow own = {};
    own.window = &window;
    testing::internal::CaptureStderr(); // the progress line
    platform_present(&own);
    testing::internal::GetCapturedStderr();
    unsigned char encoded[19];
    EXPECT_EQ(read(fds[0], encoded, sizeof(encoded)), 18);
    EXPECT_EQ(std::vector<unsigned char>(encoded, encoded + 18),
              (std::vector<unsigned char>{20, 21, 22, 23, 24, 25, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(fake::log, (Lines{"glPixelStorei 3333 1", "glPixelStorei 3330 0", "glPixelStorei 3331 0",
                                "glPixelStorei 3332 0", "glReadBuffer 1029", "glReadPixels 0 0 2 3 6407 5121"}));
    close(fds[0]), close(fds[1]), cap.child_input = -1;
}
