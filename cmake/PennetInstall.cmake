# The program's installation, and the install record beside the program
# (src/app/InstallRecord.h) that tells the program it is installed: the
# build folder gets its own when it is configured, an installed tree its own
# when `cmake --install` runs.
include(GNUInstallDirs)

# The build folder's record keeps its first date, so reconfiguring does not
# make the installation look new.
set(PENNET_INSTALL_RECORD ${PROJECT_BINARY_DIR}/pennet-install.ini)
set(PENNET_INSTALL_DATE "")
if(EXISTS ${PENNET_INSTALL_RECORD})
  file(STRINGS ${PENNET_INSTALL_RECORD} PENNET_INSTALL_DATE_LINE REGEX "^InstDate=")
  string(REGEX REPLACE "^InstDate=" "" PENNET_INSTALL_DATE "${PENNET_INSTALL_DATE_LINE}")
endif()
if(PENNET_INSTALL_DATE STREQUAL "")
  string(TIMESTAMP PENNET_INSTALL_DATE "%Y-%m-%dT%H:%M:%S")
endif()
file(CONFIGURE OUTPUT ${PENNET_INSTALL_RECORD}
     CONTENT "[INSTALL]\nInstDir=${PROJECT_BINARY_DIR}\nInstDate=${PENNET_INSTALL_DATE}\n")

install(TARGETS pennet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources DESTINATION ${CMAKE_INSTALL_BINDIR})
install(CODE "set(PENNET_INSTALL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(CODE [[
  string(TIMESTAMP PENNET_INSTALL_NOW "%Y-%m-%dT%H:%M:%S")
  if(IS_ABSOLUTE "${PENNET_INSTALL_BINDIR}")
    set(PENNET_INSTALL_FOLDER "${PENNET_INSTALL_BINDIR}")
  else()
    set(PENNET_INSTALL_FOLDER "${CMAKE_INSTALL_PREFIX}/${PENNET_INSTALL_BINDIR}")
  endif()
  message(STATUS "Installing: ${PENNET_INSTALL_FOLDER}/pennet-install.ini")
  file(WRITE "$ENV{DESTDIR}${PENNET_INSTALL_FOLDER}/pennet-install.ini"
       "[INSTALL]\nInstDir=${PENNET_INSTALL_FOLDER}\nInstDate=${PENNET_INSTALL_NOW}\n")
]])
