# web.cmake -- the emscripten build (emcmake, from ./web): the program's code
# over platform/web/, assembled with the page, the synthesizer and the trimmed
# soundfont into a static site, site/, that any web server can host.
# Debian's emcc needs NODE_PATH=/usr/share/nodejs in the environment.
set(OSTRA_SITE ${CMAKE_BINARY_DIR}/site)
set(OSTRA_WEB ${CMAKE_SOURCE_DIR}/platform/web)
set(OSTRA_SYNTH ${OSTRA_WEB}/node_modules/js-synthesizer)
set(OSTRA_SOUNDFONT /usr/share/sounds/sf2/FluidR3_GM.sf2 CACHE FILEPATH "The soundfont the page's is cut from")

# With the subset's portable part: the queue, the MCI commands and the MIDI
# file reader.
file(GLOB OSTRA_WEB_SOURCES CONFIGURE_DEPENDS ${OSTRA_WEB}/*.cpp)
list(APPEND OSTRA_WEB_SOURCES ${CMAKE_SOURCE_DIR}/platform/win32_window.cpp
     ${CMAKE_SOURCE_DIR}/platform/win32_mci.cpp ${CMAKE_SOURCE_DIR}/platform/win32_smf.cpp)
ostra_objects(ostra_core SOURCES ${OSTRA_APP_SOURCES} ${OSTRA_SCENE_SOURCES})
ostra_program(ostra SOURCES ${OSTRA_WEB_SOURCES} $<TARGET_OBJECTS:ostra_core>)
set_target_properties(ostra PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OSTRA_SITE})
# One instance per run (MODULARIZE), which also keeps it clear of the
# synthesizer's own module on the page. ASYNCIFY lets SwapBuffers, the box and
# the sequencer's open wait for the browser; no function pointer call waits,
# so only the direct callers are rewritten.
target_link_options(ostra PRIVATE -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=OstraProgram
  -sASYNCIFY=1 -sASYNCIFY_IGNORE_INDIRECT=1 -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_FUNCTIONS=_main,_web_terrain_readback -sEXPORTED_RUNTIME_METHODS=FS)

# The page's files as they stand, and the synthesizer's (the wasm is inside
# libfluidsynth's script).
set(OSTRA_SITE_FILES ${OSTRA_WEB}/index.html ${OSTRA_WEB}/page.js ${OSTRA_WEB}/page.css
    ${OSTRA_WEB}/web_sound.js ${OSTRA_SYNTH}/dist/js-synthesizer.min.js
    ${OSTRA_SYNTH}/dist/js-synthesizer.worklet.min.js ${OSTRA_SYNTH}/externals/libfluidsynth-2.3.0.js)
set(OSTRA_SITE_OUTPUTS ${OSTRA_SITE}/ostra.sf2)
foreach(file ${OSTRA_SITE_FILES})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${OSTRA_SITE}/${name} COMMAND ${CMAKE_COMMAND} -E copy ${file} ${OSTRA_SITE}/${name}
                     DEPENDS ${file} VERBATIM)
  list(APPEND OSTRA_SITE_OUTPUTS ${OSTRA_SITE}/${name})
endforeach()
add_custom_command(OUTPUT ${OSTRA_SITE}/ostra.sf2
  COMMAND node ${CMAKE_SOURCE_DIR}/tools/trim_soundfont.mjs ${CMAKE_SOURCE_DIR}/music/music_data.cpp
          ${OSTRA_SOUNDFONT} ${OSTRA_SITE}/ostra.sf2
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/trim_soundfont.mjs ${CMAKE_SOURCE_DIR}/music/music_data.cpp VERBATIM)
add_custom_target(site ALL DEPENDS ${OSTRA_SITE_OUTPUTS} ostra)
