# The tune: its composer, the embedded bytes read back against its fixed shape, and
# the tune played offline through FluidSynth. Included by
# tests/CMakeLists.txt, whose functions it uses.

add_executable(compose_tune ${CMAKE_SOURCE_DIR}/tools/compose_tune.cpp)
target_compile_options(compose_tune PRIVATE ${OSTRA_WARNINGS})

# The committed music/music_data.cpp is exactly what the composer writes.
add_test(NAME tune_compose
         COMMAND compose_tune ${CMAKE_CURRENT_BINARY_DIR}/music_data.cpp)
set_tests_properties(tune_compose PROPERTIES FIXTURES_SETUP tune_composed)
add_test(NAME tune_committed
         COMMAND ${CMAKE_COMMAND} -E compare_files
                 ${CMAKE_CURRENT_BINARY_DIR}/music_data.cpp
                 ${CMAKE_SOURCE_DIR}/music/music_data.cpp)
set_tests_properties(tune_committed PROPERTIES FIXTURES_REQUIRED tune_composed)

ostra_unit(unit_tune SOURCES
  music/test_tune.cpp
  ${CMAKE_SOURCE_DIR}/music/music_data.cpp)

ostra_unit(unit_tune_render SOURCES
  music/test_tune_render.cpp
  ${CMAKE_SOURCE_DIR}/music/music_data.cpp
  LIBS PkgConfig::FLUIDSYNTH)
