# sweeplet_program(<name> [WIN32] SOURCES ... [LIBS ...])
# A Windows program of ours. Sweeplet.exe itself, or a tool that sits next to it, where the
# drivers look for it.
function(sweeplet_program name)
  cmake_parse_arguments(P "WIN32" "" "SOURCES;LIBS" ${ARGN})
  if(P_WIN32)
    add_executable(${name} WIN32 ${P_SOURCES})
  else()
    add_executable(${name} ${P_SOURCES})
  endif()
  target_link_libraries(${name} PRIVATE ${P_LIBS})
  # Our programs enter at wmain or wWinMain: MSVC's linker finds them by itself, mingw's is told.
  if(MINGW)
    target_link_options(${name} PRIVATE -municode)
  endif()
  # The delivered file carries no symbols: a Release build has no -g of its own, and the debug
  # sections the static runtime brings are stripped. A build that wants symbols is RelWithDebInfo,
  # whose exe keeps them; so does one with SWEEPLET_KEEP_SYMBOLS (scripts/package splits them off).
  if(MINGW AND name STREQUAL "Sweeplet")
    target_link_options(${name} PRIVATE $<$<CONFIG:Release>:-flto=auto> $<$<CONFIG:Release>:-flto-partition=one>)
  endif()
  if(MINGW AND name STREQUAL "Sweeplet" AND NOT SWEEPLET_KEEP_SYMBOLS)
    target_link_options(${name} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
  endif()
  if(NOT name STREQUAL "Sweeplet")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:Sweeplet>)
  endif()
endfunction()
