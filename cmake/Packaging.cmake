# The project version where a user sees it: the Windows version resources
# of the deliverables and the tools, and the tools' --version.

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

