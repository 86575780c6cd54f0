# linux.cmake -- the Linux build (the run and test presets): the program over
# platform/linux/ on SDL2, FluidSynth and Mesa, the video capture, their
# sanitized and Release twins, and with OSTRA_TESTS the tests and benchmarks.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(X11 REQUIRED)
find_library(GLU_LIBRARY GLU REQUIRED)
find_package(Threads REQUIRED)

# The Win32 subset's portable part over platform/linux/: the drive paths and
# the MIDI file reader, which need nothing of SDL; the windows, WGL, the
# clock and the MCI sequencer over SDL2, X11, Mesa and FluidSynth; then the
# live program's presentation and entry, which the video capture replaces
# with its own. Object libraries pass on no objects of the libraries they
# use, so every program names each one it needs.
set(OSTRA_BASE_SOURCES platform/win32_files.cpp platform/linux/linux_files.cpp platform/midi_file.cpp)
set(OSTRA_PORTABLE_SOURCES win32_queue.cpp win32_window.cpp win32_wgl.cpp win32_clock.cpp win32_mci.cpp)
list(TRANSFORM OSTRA_PORTABLE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/platform/)
set(OSTRA_PLATFORM_SOURCES ${OSTRA_PORTABLE_SOURCES} platform/linux/linux_window.cpp
    platform/linux/linux_x11.cpp platform/linux/linux_signals.cpp platform/linux/linux_wgl.cpp
    platform/linux/linux_clock.cpp platform/linux/linux_soundfont.cpp platform/linux/linux_sequencer.cpp)
set(OSTRA_PLATFORM_LIBS PkgConfig::SDL2 PkgConfig::FLUIDSYNTH OpenGL::GL X11::X11 ${GLU_LIBRARY}
    Threads::Threads)
set(OSTRA_LIVE_SOURCES platform/linux/linux_live.cpp platform/linux/linux_main.cpp)
# The web platform's GL subset and its GLU, which also run natively on Mesa's
# GLES2 for their test and benchmark.
file(GLOB OSTRA_WEBGL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/web_gl*.cpp)
set(OSTRA_CAPTURE_SOURCES platform/linux/linux_capture.cpp platform/linux/linux_capture_files.cpp
    platform/linux/linux_capture_music.cpp platform/linux/linux_capture_main.cpp)

# The program's code and the platform layer as four object libraries,
# ostra_app<suffix>, ostra_scene<suffix>, ostra_base<suffix> and
# ostra_platform<suffix>, built as ostra_objects' options say.
function(ostra_linux_objects suffix)
  ostra_objects(ostra_app${suffix} ${ARGN} SOURCES ${OSTRA_APP_SOURCES})
  ostra_objects(ostra_scene${suffix} ${ARGN} SOURCES ${OSTRA_SCENE_SOURCES})
  ostra_objects(ostra_base${suffix} ${ARGN} SOURCES ${OSTRA_BASE_SOURCES})
  ostra_objects(ostra_platform${suffix} ${ARGN} SOURCES ${OSTRA_PLATFORM_SOURCES})
  target_link_libraries(ostra_platform${suffix} PUBLIC ${OSTRA_PLATFORM_LIBS})
endfunction()

ostra_linux_objects("")
set(OSTRA_LINUX_LIBS ostra_app ostra_scene ostra_base ostra_platform)
ostra_program(ostra SOURCES ${OSTRA_LIVE_SOURCES} LIBS ${OSTRA_LINUX_LIBS})
# The same program captured to a video: a stepped clock, each frame read back
# and encoded by the ffmpeg program, the tune rendered offline.
ostra_program(ostra-video SOURCES ${OSTRA_CAPTURE_SOURCES} LIBS ${OSTRA_LINUX_LIBS})

# The same program under the address and undefined-behaviour sanitizers; every
# test program that runs the program's code links these.
ostra_linux_objects(_asan SANITIZED)
set(OSTRA_LINUX_ASAN_LIBS ostra_app_asan ostra_scene_asan ostra_base_asan ostra_platform_asan)
ostra_program(ostra_asan SOURCES ${OSTRA_LIVE_SOURCES} LIBS ${OSTRA_LINUX_ASAN_LIBS})
# And as a packager builds it (-O3 -DNDEBUG): the hostile cases run against
# it as well, since its timing, and so its races, are its own.
ostra_linux_objects(_release RELEASE)
ostra_program(ostra_release SOURCES ${OSTRA_LIVE_SOURCES}
              LIBS ostra_app_release ostra_scene_release ostra_base_release ostra_platform_release)

# The Release build installed and packed as people get it (./release).
include(cmake/package.cmake)

add_subdirectory(tools)

option(OSTRA_TESTS "Build the tests and benchmarks" ON)
if(OSTRA_TESTS)
  enable_testing()
  add_subdirectory(tests)
  add_subdirectory(bench)
endif()
