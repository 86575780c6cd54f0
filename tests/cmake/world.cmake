# The world: random source, terrain synthesis, and the walls and terrain on
# screen. Included by tests/CMakeLists.txt, whose functions it uses.

ostra_unit(unit_random SOURCES
  world/test_random.cpp
  ${CMAKE_SOURCE_DIR}/world/random.cpp)

ostra_unit(unit_world SOURCES
  world/test_terrain.cpp scene/test_ground.cpp
  fakes/fake_gl.cpp fakes/fake_win32.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/linux_files.cpp)

# The synthesis on the real Mesa context of the program's own window.
ostra_gl_test(gl_terrain SOURCES
  gl/test_terrain_mesa.cpp
  ${CMAKE_SOURCE_DIR}/app/window.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES})

# The real program a few seconds in: walls along the top, terrain below.
ostra_script_test(e2e_linux_terrain e2e/linux_terrain.sh $<TARGET_FILE:ostra>)

# Benchmarks: figures, not pass/fail, so not run by CTest.
#   cmake --build <dir> --target bench_terrain   builds both and prints them
add_executable(bench_terrain_mesa bench/bench_terrain_mesa.cpp ${CMAKE_SOURCE_DIR}/app/window.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES} ${OSTRA_PLATFORM_SOURCES})
add_executable(bench_terrain_nogl bench/bench_terrain_nogl.cpp fakes/fake_gl.cpp
  fakes/fake_win32.cpp fakes/fake_log.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/linux_files.cpp)
foreach(bench bench_terrain_mesa bench_terrain_nogl)
  ostra_target(${bench})
  target_include_directories(${bench} PRIVATE ${OSTRA_TESTS_DIR})
endforeach()
target_link_libraries(bench_terrain_mesa PRIVATE ${OSTRA_PLATFORM_LIBS})
target_link_libraries(bench_terrain_nogl PRIVATE Threads::Threads)
add_custom_target(bench_terrain
  COMMAND ${OSTRA_XVFB} $<TARGET_FILE:bench_terrain_mesa>
  COMMAND $<TARGET_FILE:bench_terrain_nogl>
  DEPENDS bench_terrain_mesa bench_terrain_nogl USES_TERMINAL)
