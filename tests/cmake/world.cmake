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

# The benchmarks of synthesis and drawing are in scene_life.cmake.
