# Includes run down, never up: app/ (the program entry and the main window)
# is the top of the program, so no source outside app/ and tests/ may include
# a header of app/. What several windows share lives in ui/.
#
# The top CMakeLists.txt includes this file and calls the function (a finding
# stops the configuration); the build runs it as a script,
# cmake -DSOURCE_DIR=<dir> -P CheckAppIncludes.cmake, whenever a source changed.

# Fails with the list of offending include lines; sets checked_var to the
# files it read.
function(korvane_check_app_includes source_dir checked_var)
  # Every top folder but app/, tests/, hidden ones and build directories.
  file(GLOB dirs LIST_DIRECTORIES true RELATIVE "${source_dir}" "${source_dir}/*")
  set(files "")
  foreach(dir IN LISTS dirs)
    if(NOT IS_DIRECTORY "${source_dir}/${dir}" OR dir MATCHES "^(app|tests|\\.)"
       OR EXISTS "${source_dir}/${dir}/CMakeCache.txt")
      continue()
    endif()
    file(GLOB_RECURSE found "${source_dir}/${dir}/*.cpp" "${source_dir}/${dir}/*.h")
    list(APPEND files ${found})
  endforeach()

  set(findings "")
  foreach(source IN LISTS files)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](\\.\\./)*app/")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH name "${source_dir}" "${source}")
      string(STRIP "${line}" line)
      string(APPEND findings "\n  ${name}: ${line}")
    endforeach()
  endforeach()
  if(findings)
    message(FATAL_ERROR "Includes run down, never up: only app/ and tests/ may include a "
      "header of app/. Move what is shared into ui/ (or into the including folder):"
      "${findings}")
  endif()
  set(${checked_var} ${files} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  korvane_check_app_includes("${SOURCE_DIR}" checked)
endif()
