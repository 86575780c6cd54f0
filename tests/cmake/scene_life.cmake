# The living scene: forest, particles, flyers, craters and the frame's flight
# and finale, against the recording GL; its end-to-end run and benchmarks.
ostra_unit(unit_scene_life SOURCES
  scene/test_forest.cpp scene/test_particles.cpp scene/test_flyers.cpp
  scene/test_frame.cpp world/test_crater.cpp
  fakes/fake_gl.cpp fakes/fake_win32.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/linux_files.cpp)

# Benchmarks: figures, not pass/fail, so not run by CTest.
#   cmake --build <dir> --target bench   builds both and prints their figures
add_executable(bench_mesa bench/bench_mesa.cpp ${CMAKE_SOURCE_DIR}/app/window.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES} ${OSTRA_PLATFORM_SOURCES})
add_executable(bench_nogl bench/bench_nogl.cpp fakes/fake_gl.cpp
  fakes/fake_win32.cpp fakes/fake_log.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/linux_files.cpp)
foreach(bench bench_mesa bench_nogl)
  ostra_target(${bench})
  target_include_directories(${bench} PRIVATE ${OSTRA_TESTS_DIR})
endforeach()
target_link_libraries(bench_mesa PRIVATE ${OSTRA_PLATFORM_LIBS})
target_link_libraries(bench_nogl PRIVATE Threads::Threads)
add_custom_target(bench
  COMMAND ${OSTRA_XVFB} $<TARGET_FILE:bench_mesa>
  COMMAND $<TARGET_FILE:bench_nogl>
  DEPENDS bench_mesa bench_nogl USES_TERMINAL)

# The whole picture a few seconds in, and a whole run under the sanitizers.
ostra_script_test(e2e_linux_scene e2e/linux_scene.sh $<TARGET_FILE:ostra> $<TARGET_FILE:ostra_asan>)
