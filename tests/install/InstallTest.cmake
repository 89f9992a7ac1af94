# cmake --install into a fresh prefix, then the installed programs run from
# there: links on bin/, side files found in the program directory, the
# desktop entry and icon in place, --help/--version and a wrong command.
# Run with -DBUILD_DIR= -DWORK= -DDATA= -DGUI=ON|OFF -DVERSION=.
file(REMOVE_RECURSE "${WORK}")
set(prefix "${WORK}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(expected lib/korvane/korvane-batch lib/korvane/libppkdlv02.so lib/korvane/korvane.installed
  bin/korvane-batch)
if(GUI)
  list(APPEND expected lib/korvane/korvane lib/korvane/BrdGrid.bmp bin/korvane
    share/applications/korvane.desktop
    share/icons/hicolor/scalable/apps/korvane.svg)
endif()
foreach(f ${expected})
  if(NOT EXISTS "${prefix}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

function(run expect_rc out_var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
    WORKING_DIRECTORY "${WORK}")
  if(NOT rc EQUAL expect_rc)
    message(FATAL_ERROR "${ARGN}: exit ${rc}, expected ${expect_rc}\n${out}${err}")
  endif()
  set(${out_var} "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_in text what)
  string(FIND "${text}" "${what}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${what}\" in:\n${text}")
  endif()
endfunction()

set(batch "${prefix}/bin/korvane-batch")
run(0 out "${batch}" --version)
expect_in("${out}" "korvane-batch ${VERSION}")
run(0 out "${batch}" --help)
expect_in("${out}" "korvane-batch replay FILE.pgn [--jobs N]")
run(2 out "${batch}" no-such-command)
expect_in("${out}" "usage:")
run(1 out "${batch}" replay "${DATA}/london1851.pgn")
expect_in("${out}" "games 251 clean 225 failed 26")
# the packing library comes from the program directory the link leads to
run(0 out "${batch}" pack "${DATA}/london1851.pgn" "${WORK}/london.pgc")
expect_in("${out}" "games 251")

if(GUI)
  run(0 out "${prefix}/bin/korvane" --version)
  expect_in("${out}" "korvane ${VERSION}")
  run(0 out "${prefix}/bin/korvane" --help)
  expect_in("${out}" "usage: korvane [FILE.pgn]")
  file(READ "${prefix}/share/applications/korvane.desktop" desktop)
  expect_in("${desktop}" "MimeType=application/x-chess-pgn;")
  expect_in("${desktop}" "Exec=korvane %f")
endif()
file(REMOVE_RECURSE "${WORK}")
