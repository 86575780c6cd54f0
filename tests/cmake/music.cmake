# The music: the MCI sequencer layer on real FluidSynth and SDL audio.
ostra_gl_test(gl_mci SOURCES ${OSTRA_TESTS_DIR}/music/test_mci.cpp)
