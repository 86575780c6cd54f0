# The living scene: forest, particles, flyers, craters and the frame's flight
# and finale, against the recording GL; its end-to-end run and benchmarks.
ostra_unit(unit_scene_life SOURCES
  scene/test_forest.cpp scene/test_particles.cpp scene/test_flyers.cpp
  scene/test_frame.cpp world/test_crater.cpp
  fakes/fake_gl.cpp fakes/fake_win32.cpp
  ${OSTRA_WORLD_SOURCES} ${OSTRA_SCENE_SOURCES} ${OSTRA_MUSIC_SOURCES}
  ${CMAKE_SOURCE_DIR}/platform/linux_files.cpp)
