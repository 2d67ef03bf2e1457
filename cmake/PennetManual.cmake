# The user manual, made at build time from docs/manual/manual.html: the web
# page and the PDF in "manual" beside the program (the Help menu opens
# them), and in the installed tree.
add_executable(make_manual ${PROJECT_SOURCE_DIR}/tools/manual/make_manual.cpp)
# A build-time tool: warnings as in our code, never a sanitizer (whose leak
# report on the font libraries would fail the build).
target_compile_options(make_manual PRIVATE -Wall -Wextra -Wpedantic $<$<BOOL:${PENNET_WERROR}>:-Werror>)
target_link_libraries(make_manual PRIVATE Qt6::Gui)

set(PENNET_MANUAL_DIR ${PROJECT_BINARY_DIR}/manual)
set(PENNET_MANUAL_SOURCE ${PROJECT_SOURCE_DIR}/docs/manual/manual.html)
add_custom_command(
  OUTPUT ${PENNET_MANUAL_DIR}/index.html ${PENNET_MANUAL_DIR}/PennetBasMan.pdf
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PENNET_MANUAL_DIR}
  COMMAND make_manual ${PENNET_MANUAL_SOURCE} ${PENNET_MANUAL_DIR}
  DEPENDS make_manual ${PENNET_MANUAL_SOURCE}
  COMMENT "Making the user manual")
add_custom_target(pennet_manual ALL DEPENDS ${PENNET_MANUAL_DIR}/index.html ${PENNET_MANUAL_DIR}/PennetBasMan.pdf)
add_dependencies(pennet pennet_manual)
install(FILES ${PENNET_MANUAL_DIR}/index.html ${PENNET_MANUAL_DIR}/PennetBasMan.pdf
        DESTINATION ${CMAKE_INSTALL_BINDIR}/manual)
