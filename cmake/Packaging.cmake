# The kit a modeller installs, made by CPack:
#   cmake --build BUILD --target package
# gives BUILD/package/Quenby-VERSION-windows-x64.zip in a Windows tree and
# Quenby-VERSION-linux-x86_64.tar.gz in a Linux one, both of one shape:
#   QuickStart.txt   where the files go, the host's set-up, checks, failures
#   bin/             the three deliverables and the tools
#   sample/          a ready deployment: the deliverables, Control.dat, the
#                    sample projects, the demo inputs and their checks
# Also the Windows version resources of the deliverables and the tools.

set(QUENBY_DELIVERABLES Pellmar Torvane Quenby)
set(QUENBY_TOOLS quenby pellmar-run sample-generator)

# --- Version resources: what Explorer shows under a file's properties.
if(WIN32)
  enable_language(RC)
  set(_descriptions
    Pellmar "Quenby model: the library the host loads"
    Torvane "Quenby model: the driver program"
    Quenby "Quenby model: the network engine"
    quenby "Quenby command-line tool"
    pellmar-run "Quenby one-calculation host"
    sample-generator "Quenby sample-network generator")
  list(LENGTH _descriptions _n)
  math(EXPR _last "${_n} - 1")
  foreach(_i RANGE 0 ${_last} 2)
    math(EXPR _j "${_i} + 1")
    list(GET _descriptions ${_i} RC_TARGET)
    list(GET _descriptions ${_j} RC_DESCRIPTION)
    if(NOT TARGET ${RC_TARGET})
      continue()
    endif()
    get_target_property(_type ${RC_TARGET} TYPE)
    if(_type STREQUAL "EXECUTABLE")
      set(RC_FILE_TYPE VFT_APP)
      set(RC_FILE_NAME ${RC_TARGET}.exe)
    else()
      set(RC_FILE_TYPE VFT_DLL)
      set(RC_FILE_NAME ${RC_TARGET}.dll)
    endif()
    set(_rc ${CMAKE_BINARY_DIR}/generated/${RC_TARGET}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/version.rc.in ${_rc} @ONLY)
    target_sources(${RC_TARGET} PRIVATE ${_rc})
  endforeach()
endif()

# --- Every tool answers --version with the project's version.
if(QUENBY_TESTS)
  foreach(_tool IN LISTS QUENBY_TOOLS)
    if(TARGET ${_tool})
      add_test(NAME version.${_tool} COMMAND ${_tool} --version)
      string(REPLACE "." "\\." _version_pattern "${PROJECT_VERSION}")
      set_tests_properties(version.${_tool} PROPERTIES TIMEOUT 60
                           PASS_REGULAR_EXPRESSION "^${_tool} ${_version_pattern}\r?\n")
    endif()
  endforeach()
endif()

if(NOT (TARGET Pellmar AND TARGET Torvane AND TARGET Quenby AND TARGET sample-generator))
  return()
endif()

# --- What the kit holds.
foreach(_target IN LISTS QUENBY_DELIVERABLES QUENBY_TOOLS)
  install(PROGRAMS $<TARGET_FILE:${_target}> DESTINATION bin)
endforeach()
foreach(_target IN LISTS QUENBY_DELIVERABLES)
  install(PROGRAMS $<TARGET_FILE:${_target}> DESTINATION sample)
endforeach()

# The sample networks are trained when the kit is made. The generator's
# output is the same on every run of one build, but training calls the
# platform's exp, so a Windows generator may train other networks than a
# Linux one; a cross-built tree uses the Linux tree's generator
# (QUENBY_LINUX_BUILD) so that both kits carry the same networks, and runs
# its own under the emulator (Wine) only when there is none.
if(CMAKE_CROSSCOMPILING AND QUENBY_LINUX_BUILD)
  set(_linux_generator ${QUENBY_LINUX_BUILD}/bin/sample-generator)
else()
  set(_linux_generator "")
endif()
set(_own_generator "${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:sample-generator>")
install(CODE "
  set(_sample \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/sample\")
  if(NOT \"${_linux_generator}\" STREQUAL \"\" AND EXISTS \"${_linux_generator}\")
    set(_generator \"${_linux_generator}\")
  else()
    set(_generator \"${_own_generator}\")
  endif()
  message(STATUS \"Sample deployment: \${_generator}\")
  execute_process(COMMAND \${_generator} \${_sample} RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR \"sample-generator failed (\${_rc}): \${_err}\")
  endif()
")

# The quick-start text names the files as the platform spells them; text
# files of the system have CR LF line ends on every platform.
if(WIN32)
  set(QS_PLATFORM "Windows (x86-64)")
  set(QS_EXE .exe)
  set(QS_SEP "\\")
  set(_files Pellmar.dll Torvane.exe Quenby.dll)
else()
  set(QS_PLATFORM "Linux (${CMAKE_SYSTEM_PROCESSOR})")
  set(QS_EXE "")
  set(QS_SEP /)
  set(_files libPellmar.so Torvane libQuenby.so)
endif()
set(QS_RUN "..${QS_SEP}bin${QS_SEP}")
list(GET _files 0 QS_ADAPTER)
list(GET _files 1 QS_DRIVER)
list(GET _files 2 QS_ENGINE)
list(APPEND _files quenby${QS_EXE} pellmar-run${QS_EXE} sample-generator${QS_EXE})
set(_roles
  "the library the host loads (export interface_function)"
  "the driver program it starts for every calculation"
  "the network engine the driver loads"
  "checks a deployment, compiles and applies networks"
  "a small host: one calculation from the command line"
  "writes the sample networks again")
set(QS_BIN_LIST "")
foreach(_i RANGE 0 5)
  list(GET _files ${_i} _file)
  list(GET _roles ${_i} _role)
  string(LENGTH "${_file}" _len)
  math(EXPR _pad "22 - ${_len}")
  string(REPEAT " " ${_pad} _blanks)
  string(APPEND QS_BIN_LIST "    ${_file}${_blanks}${_role}\r\n")
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/packaging/QuickStart.txt.in ${CMAKE_BINARY_DIR}/generated/QuickStart.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/generated/QuickStart.txt DESTINATION .)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
else()
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
endif()
set(CPACK_PACKAGE_NAME Quenby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Quenby-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
