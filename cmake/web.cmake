# web.cmake -- the emscripten build (the web preset, which carries emcmake's
# toolchain and the NODE_PATH Debian's emcc needs): the program's code over
# platform/web/, assembled with the page, the synthesizer and the trimmed
# soundfont into a static site, site/, that any web server can host.
set(OSTRA_SITE ${CMAKE_BINARY_DIR}/site)
set(OSTRA_WEB ${CMAKE_SOURCE_DIR}/platform/web)
set(OSTRA_SYNTH ${OSTRA_WEB}/node_modules/js-synthesizer)
set(OSTRA_SOUNDFONT /usr/share/sounds/sf2/FluidR3_GM.sf2 CACHE FILEPATH "The soundfont the page's is cut from")

# With the subset's portable part (platform/*.cpp).
file(GLOB OSTRA_WEB_SOURCES CONFIGURE_DEPENDS ${OSTRA_WEB}/*.cpp ${CMAKE_SOURCE_DIR}/platform/*.cpp)
ostra_objects(ostra_core SOURCES ${OSTRA_APP_SOURCES} ${OSTRA_SCENE_SOURCES})
ostra_program(ostra SOURCES ${OSTRA_WEB_SOURCES} $<TARGET_OBJECTS:ostra_core>)
set_target_properties(ostra PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OSTRA_SITE})
# One instance per run (MODULARIZE), which also keeps it clear of the
# synthesizer's own module on the page. ASYNCIFY lets SwapBuffers, the box and
# the sequencer's open wait for the browser; no function pointer call waits,
# so only the direct callers are rewritten.
target_link_options(ostra PRIVATE -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=OstraProgram
  -sASYNCIFY=1 -sASYNCIFY_IGNORE_INDIRECT=1 -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_FUNCTIONS=_main -sEXPORTED_RUNTIME_METHODS=FS)

# The page's npm packages as the lockfile pins them (the synthesizer, the
# soundfont's trimmer, the tests' browser driver), installed again whenever
# the lockfile changes; the stamp says when they last were.
set(OSTRA_NPM_STAMP ${OSTRA_WEB}/node_modules/.ostra-installed)
set(OSTRA_SYNTH_FILES ${OSTRA_SYNTH}/dist/js-synthesizer.min.js
    ${OSTRA_SYNTH}/dist/js-synthesizer.worklet.min.js ${OSTRA_SYNTH}/externals/libfluidsynth-2.3.0.js)
add_custom_command(OUTPUT ${OSTRA_NPM_STAMP} BYPRODUCTS ${OSTRA_SYNTH_FILES}
  COMMAND npm ci --no-audit --no-fund --loglevel=error
  COMMAND ${CMAKE_COMMAND} -E touch ${OSTRA_NPM_STAMP}
  WORKING_DIRECTORY ${OSTRA_WEB} DEPENDS ${OSTRA_WEB}/package-lock.json ${OSTRA_WEB}/package.json VERBATIM)

# The page's files as they stand, and the synthesizer's (the wasm is inside
# libfluidsynth's script).
set(OSTRA_SITE_FILES ${OSTRA_WEB}/index.html ${OSTRA_WEB}/page.js ${OSTRA_WEB}/page.css
    ${OSTRA_WEB}/web_sound.js ${OSTRA_SYNTH_FILES})
set(OSTRA_SITE_OUTPUTS ${OSTRA_SITE}/ostra.sf2)
foreach(file ${OSTRA_SITE_FILES})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${OSTRA_SITE}/${name} COMMAND ${CMAKE_COMMAND} -E copy ${file} ${OSTRA_SITE}/${name}
                     DEPENDS ${file} ${OSTRA_NPM_STAMP} VERBATIM)
  list(APPEND OSTRA_SITE_OUTPUTS ${OSTRA_SITE}/${name})
endforeach()
add_custom_command(OUTPUT ${OSTRA_SITE}/ostra.sf2
  COMMAND node ${CMAKE_SOURCE_DIR}/tools/trim_soundfont.mjs ${CMAKE_SOURCE_DIR}/music/music_data.cpp
          ${OSTRA_SOUNDFONT} ${OSTRA_SITE}/ostra.sf2
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/trim_soundfont.mjs ${CMAKE_SOURCE_DIR}/music/music_data.cpp
          ${OSTRA_NPM_STAMP} VERBATIM)
add_custom_target(site ALL DEPENDS ${OSTRA_SITE_OUTPUTS} ostra)
