# install.cmake -- what `cmake --install` puts under the prefix, so that a game in a folder of its
# own finds the engine with find_package(engine) or pkg-config:
#
#   lib/libengine.a                  the engine
#   lib/libengine-platform.a         Linux: the platform layer the engine runs on
#   lib/libengine-main.a             Linux: main(), which hands control to the game's WinMain
#   lib/libengine-testing.a          Linux: the test library for a game's own tests
#   include/engine/{app,display,draw,input,sound}/   the engine's headers
#   include/engine/platform/         Linux: the API headers (windows.h, ddraw.h, ...)
#   include/engine/testing/          Linux: game_testing.h, the test library's header
#   lib/cmake/engine/                engineConfig.cmake, its version file and the targets
#   lib/pkgconfig/engine.pc, engine-main.pc, engine-testing.pc (Linux)
#   share/engine/                    Windows: the toolchain file the engine was built with
#
# Targets: engine::engine (the library, its include folders and its dependencies) and
# engine::main (the process entry: on Linux main() calling WinMain, on Windows the GUI subsystem,
# whose C runtime calls WinMain itself). A program that writes its own main() leaves out
# engine::main. On Linux, engine::testing is the test library a game's own tests link: they bring
# their own main() (or their framework's) and leave out engine::main.

include(CMakePackageConfigHelpers)

set(ENGINE_INCLUDE_DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/engine)
set(ENGINE_CMAKE_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/engine)
set(ENGINE_PKGCONFIG_DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(WIN32)
    set(ENGINE_LAYER OFF)
    add_library(engine_main INTERFACE)
    target_link_options(engine_main INTERFACE -mwindows)
    set_target_properties(engine_main PROPERTIES EXPORT_NAME main)
    set(ENGINE_INSTALLED_TARGETS engine engine_main)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake DESTINATION ${CMAKE_INSTALL_DATADIR}/engine)
else()
    set(ENGINE_LAYER ON)
    set(ENGINE_INSTALLED_TARGETS engine platform platform_entry engine_testing)
    install(FILES testing/game_testing.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/engine/testing)
endif()

install(TARGETS ${ENGINE_INSTALLED_TARGETS}
    EXPORT engineTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The headers a game includes, in the folders the engine's own relative includes expect.
install(FILES app/app.h app/platform.h DESTINATION ${ENGINE_INCLUDE_DESTINATION}/app)
install(FILES display/display.h DESTINATION ${ENGINE_INCLUDE_DESTINATION}/display)
install(FILES draw/draw.h draw/trace.h DESTINATION ${ENGINE_INCLUDE_DESTINATION}/draw)
install(FILES input/input.h DESTINATION ${ENGINE_INCLUDE_DESTINATION}/input)
install(FILES sound/sound.h sound/soundfile.h DESTINATION ${ENGINE_INCLUDE_DESTINATION}/sound)

install(EXPORT engineTargets NAMESPACE engine:: DESTINATION ${ENGINE_CMAKE_DESTINATION})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/engineConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/engineConfig.cmake
    INSTALL_DESTINATION ${ENGINE_CMAKE_DESTINATION})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/engineConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/engineConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/engineConfigVersion.cmake
        DESTINATION ${ENGINE_CMAKE_DESTINATION})

# pkg-config files that find the prefix from their own place, so the tree can be moved.
file(RELATIVE_PATH ENGINE_PC_PREFIX /${ENGINE_PKGCONFIG_DESTINATION} /)
set(ENGINE_PC_PREFIX "\${pcfiledir}/${ENGINE_PC_PREFIX}")
string(REGEX REPLACE "/$" "" ENGINE_PC_PREFIX "${ENGINE_PC_PREFIX}")
if(WIN32)
    set(ENGINE_PC_REQUIRES "")
    set(ENGINE_PC_CFLAGS "-I\${includedir}/engine")
    set(ENGINE_PC_LIBS "-L\${libdir} -lengine -lddraw -ldinput8 -ldsound -ldxguid -lwinmm -lgdi32 -luser32")
    set(ENGINE_PC_MAIN_LIBS "-mwindows")
else()
    set(ENGINE_PC_REQUIRES "sdl2 freetype2 fontconfig")
    set(ENGINE_PC_CFLAGS "-I\${includedir}/engine -I\${includedir}/engine/platform")
    set(ENGINE_PC_LIBS "-L\${libdir} -lengine -lengine-platform -pthread")
    set(ENGINE_PC_MAIN_LIBS "-L\${libdir} -lengine-main")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/engine.pc.in ${CMAKE_CURRENT_BINARY_DIR}/engine.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/engine-main.pc.in ${CMAKE_CURRENT_BINARY_DIR}/engine-main.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/engine.pc ${CMAKE_CURRENT_BINARY_DIR}/engine-main.pc
        DESTINATION ${ENGINE_PKGCONFIG_DESTINATION})
if(NOT WIN32)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/engine-testing.pc.in ${CMAKE_CURRENT_BINARY_DIR}/engine-testing.pc @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/engine-testing.pc DESTINATION ${ENGINE_PKGCONFIG_DESTINATION})
endif()
