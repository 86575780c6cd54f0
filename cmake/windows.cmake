# windows.cmake -- the mingw-w64 build (the windows preset): the program
# against the real user32, gdi32, opengl32, glu32, winmm and kernel32, with
# the drive path mapped where the root of C: takes no files (windows/; shell32
# and ole32 find the user's folder), and the flyers' headings as this build
# computes them, for the Wine tests.
ostra_objects(ostra_core SOURCES ${OSTRA_APP_SOURCES} ${OSTRA_SCENE_SOURCES}
              platform/windows/windows_files.cpp)
# A GUI-subsystem executable entered at WinMain, linked statically against
# the C++ runtime so that it runs from its own folder.
set(OSTRA_WINDOWS_LIBS opengl32 glu32 winmm gdi32 user32 kernel32 shell32 ole32)
add_link_options(-static -static-libgcc -static-libstdc++)
ostra_program(ostra WIN32 SOURCES $<TARGET_OBJECTS:ostra_core> LIBS ${OSTRA_WINDOWS_LIBS})
ostra_program(heading_table SOURCES tests/scene/heading_table.cpp $<TARGET_OBJECTS:ostra_core>
              LIBS ${OSTRA_WINDOWS_LIBS})
