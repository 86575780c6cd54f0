// test_webgl.cpp -- the web platform's GL subset on Mesa's GLES2 against
// Mesa's own GL 1.1 on the same machine: the two builds of webgl_frames
// synthesise the terrain and draw the same frames, and the bytes must agree
// within the latitude of two implementations of one formula, the subset's
// with instancing and without.
#include "fakes/scratch.h"

#include <gtest/gtest.h>

#include <math.h>

TEST(WebGlTest, TheSubsetOnGles2DrawsWhatMesasGl11Draws)
{
    Scratch mesa, instanced, plain;
    ASSERT_EQ(system((MESA_FRAMES " " + mesa.path).c_str()), 0);
    ASSERT_EQ(system((ES_FRAMES " " + instanced.path).c_str()), 0);
    ASSERT_EQ(system((ES_FRAMES " " + plain.path + " plain").c_str()), 0);
    for (const Scratch *es : {&instanced, &plain}) {
    SCOPED_TRACE(es == &plain ? "without instancing" : "instanced");
    Bytes a = read_bytes(mesa / "heightmap"), b = read_bytes(*es / "heightmap");
    ASSERT_EQ(a.size(), 65536u);
    ASSERT_EQ(b.size(), 65536u);
    int equal = 0, largest = 0;
    for (size_t k = 0; k < a.size(); k++)
        equal += a[k] == b[k], largest = std::max(largest, abs(a[k] - b[k]));
    printf("heightmap: %d of 65536 cells equal, largest difference %d\n", equal, largest);
    EXPECT_GE(equal, 65535) << "the synthesis is Mesa's, cell for cell";

    // Rounding moves a few edge pixels by any amount and some others by a
    // level (here at most 0.004 % by more than 2, PSNR 59 dB or more, 99.4 %
    // equal). A wrong light term or a lost normal moves most lit pixels;
    // quads cut along the other diagonal or normals left unnormalised move
    // some 0.02 % or more by more than 2 and bring the PSNR under 52 dB in
    // some frame. The probe is drawn past the program's own calls.
    for (const char *frame : {"frame0", "frame100", "frame1000", "frame2000", "frame33500", "probe", "runs_mid", "runs"}) {
        a = read_bytes(mesa / frame), b = read_bytes(*es / frame);
        ASSERT_EQ(a.size(), 800u * 600 * 3) << frame;
        ASSERT_EQ(b.size(), a.size()) << frame;
        long same = 0, off = 0, largest_difference = 0;
        double squares = 0;
        for (size_t p = 0; p < a.size(); p += 3) {
            int d = 0;
            for (int c = 0; c < 3; c++) {
                int e = a[p + c] - b[p + c];
                d = std::max(d, abs(e));
                squares += e * e;
            }
            same += d == 0, off += d > 2, largest_difference = std::max<long>(largest_difference, d);
        }
        double psnr = squares == 0 ? 99 : 10 * log10(255.0 * 255.0 * a.size() / squares);
        printf("%s: %.2f %% of pixels equal, %.3f %% off by more than 2, largest difference %ld, PSNR %.1f dB\n",
               frame, 100.0 * same / (800 * 600), 100.0 * off / (800 * 600), largest_difference, psnr);
        EXPECT_GE(same, 800 * 600 * 99 / 100) << frame;
        EXPECT_LE(off, 72) << frame;
        EXPECT_GE(psnr, 55) << frame;
    }
}
}
