# SPDX-License-Identifier: GPL-3.0-or-later
# Run at each build (cmake -P): writes the build's version text into OUTPUT
# from TEMPLATE: VERSION, and the commit when SOURCE_DIR is the top of a git
# checkout. The file is rewritten only when the text changes, so an unchanged
# checkout rebuilds nothing.
set(KEL_BUILD_VERSION "${VERSION}")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top RESULT_VARIABLE failed
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  # A source tree unpacked inside some other repository is no checkout of ours.
  if(NOT failed)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
  endif()
  if(NOT failed AND top STREQUAL source)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --short HEAD
                    OUTPUT_VARIABLE commit RESULT_VARIABLE failed
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} status --porcelain --untracked-files=no
                    OUTPUT_VARIABLE changes ERROR_QUIET)
    if(NOT failed AND commit)
      if(changes)
        set(KEL_BUILD_VERSION "${VERSION} (git ${commit}, modified)")
      else()
        set(KEL_BUILD_VERSION "${VERSION} (git ${commit})")
      endif()
    endif()
  endif()
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
