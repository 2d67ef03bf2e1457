# The sample material library "Kordex_Lib", made at build time by
# tools/library/make_library from the page editor's and the figure facade's
# own writers, beside the program (where it looks for it) and in the
# installed tree. OSMesa first: the figures' thumbnails are rendered.
add_executable(make_library ${PROJECT_SOURCE_DIR}/tools/library/make_library.cpp
  ${PROJECT_SOURCE_DIR}/tools/library/LibraryFigures.cpp)
target_include_directories(make_library PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tools/library)
target_compile_options(make_library PRIVATE -Wall -Wextra -Wpedantic $<$<BOOL:${PENNET_WERROR}>:-Werror>)
target_link_libraries(make_library PRIVATE PkgConfig::OSMESA pennet_page standard_scene)
# In the sanitizer build the libraries it links are instrumented: it needs
# the runtime, and its run leaves the leak report out (Qt's font caches).
if(PENNET_ASAN)
  target_link_options(make_library PRIVATE -fsanitize=address,undefined)
endif()

set(PENNET_LIBRARY_DIR ${PROJECT_BINARY_DIR}/Kordex_Lib)
set(PENNET_LIBRARY_STAMP ${PROJECT_BINARY_DIR}/Kordex_Lib.stamp)
add_custom_command(
  OUTPUT ${PENNET_LIBRARY_STAMP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PENNET_LIBRARY_DIR}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:make_library> ${PENNET_LIBRARY_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${PENNET_LIBRARY_STAMP}
  DEPENDS make_library
  COMMENT "Making the sample material library")
add_custom_target(pennet_library ALL DEPENDS ${PENNET_LIBRARY_STAMP})
add_dependencies(pennet pennet_library)
install(DIRECTORY ${PENNET_LIBRARY_DIR} DESTINATION ${CMAKE_INSTALL_BINDIR})
