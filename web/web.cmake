# The browser build (emcmake, scripts/web.sh): the engine with the web port of
# the platform seam, and the page's program, nivora-web.js + .wasm. The show's
# data comes from the native build; web.sh lays out the site.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "NIVORA_WEB needs emscripten's toolchain (emcmake cmake ...)")
endif()
if(NOT EXISTS ${NIVORA_WEB_LIBS}/lib/libopenmpt.a OR NOT EXISTS ${NIVORA_WEB_LIBS}/lib/libjpeg.a)
  message(FATAL_ERROR "NIVORA_WEB_LIBS (${NIVORA_WEB_LIBS}) has no wasm libraries: run web/build_libs.sh")
endif()

add_library(web_openmpt STATIC IMPORTED)
set_target_properties(web_openmpt PROPERTIES IMPORTED_LOCATION ${NIVORA_WEB_LIBS}/lib/libopenmpt.a
                      INTERFACE_INCLUDE_DIRECTORIES ${NIVORA_WEB_LIBS}/include)
add_library(web_jpeg STATIC IMPORTED)
set_target_properties(web_jpeg PROPERTIES IMPORTED_LOCATION ${NIVORA_WEB_LIBS}/lib/libjpeg.a
                      INTERFACE_INCLUDE_DIRECTORIES ${NIVORA_WEB_LIBS}/include)

add_subdirectory(tools/glrec)
add_subdirectory(src)
add_subdirectory(tools/player)
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/esgl/CMakeLists.txt)
  add_subdirectory(tools/esgl)
endif()
add_subdirectory(web)
