# SPDX-License-Identifier: GPL-3.0-or-later
# What keeps the builds quick, none of it changing what is built: ccache when
# it is installed, lld when it is, precompiled headers and unity builds.
# kel_speed_up(target) marks a target; at the end of the configure step each
# marked target precompiles the heavy headers of what it links (directly or
# through other libraries), and targets that would precompile the same headers
# with the same flags share one precompiled header.
option(KEL_CCACHE "Compile through ccache when it is installed" ON)
option(KEL_LLD "Link with lld when it is installed" ON)
# GCC loses track of which code came from system headers when it reads a
# precompiled header, and its optimizer then warns about the standard
# library's own code: with GCC, only unoptimized builds precompile.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(kel_pch_default OFF)
else()
  set(kel_pch_default ON)
endif()
option(KEL_PCH "Precompile the heavy headers of each target" ${kel_pch_default})
option(KEL_UNITY "Compile each target's sources in batches (unity build)" ON)
set(KEL_UNITY_BATCH 8 CACHE STRING "Sources in one unity batch")

if(KEL_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(KEL_CCACHE_PROGRAM ccache)
  if(KEL_CCACHE_PROGRAM)
    # Paths below the source folder are hashed relative to it, so clones and
    # worktrees share entries; the precompiled headers are cached too.
    set(CMAKE_CXX_COMPILER_LAUNCHER
        env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        ${KEL_CCACHE_PROGRAM})
  endif()
endif()

if(KEL_LLD)
  include(CheckLinkerFlag)
  check_linker_flag(CXX -fuse-ld=lld KEL_HAS_LLD)
  if(KEL_HAS_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()

# The heavy headers, by the library that brings them. The standard library's
# most used headers go into every precompiled header.
set(KEL_PCH_STD
  <algorithm> <array> <atomic> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
  <mutex> <optional> <string> <string_view> <thread> <utility> <vector>)
set(KEL_PCH_LIBRARIES
  Qt6::Core Qt6::Widgets Qt6::Test GTest::gtest GTest::gtest_main tomlplusplus::tomlplusplus CLI11::CLI11
  nlohmann_json::nlohmann_json PkgConfig::PQXX SQLiteCpp)
set(KEL_PCH_Qt6::Core <QDateTime> <QDir> <QFile> <QFileInfo> <QObject> <QString> <QStringList>
    <QTimer>)
set(KEL_PCH_Qt6::Widgets <QApplication> <QComboBox> <QDialog> <QKeyEvent> <QLabel> <QLineEdit>
    <QPlainTextEdit> <QPushButton> <QTableWidget> <QWidget>)
set(KEL_PCH_Qt6::Test <QtTest> <QSignalSpy>)
set(KEL_PCH_GTest::gtest <gtest/gtest.h>)
set(KEL_PCH_GTest::gtest_main <gtest/gtest.h>)
set(KEL_PCH_tomlplusplus::tomlplusplus <toml++/toml.h>)
set(KEL_PCH_CLI11::CLI11 <CLI/CLI.hpp>)
set(KEL_PCH_nlohmann_json::nlohmann_json <nlohmann/json.hpp>)
set(KEL_PCH_PkgConfig::PQXX <pqxx/pqxx>)
set(KEL_PCH_SQLiteCpp <SQLiteCpp/SQLiteCpp.h>)

# Sources whose file-local names clash with those of a neighbour when
# compiled in one batch, by file name (they keep it when they move): each is
# compiled on its own.
set(KEL_UNITY_ALONE
  PlanArguments.cpp
  StepReader.cpp
)

# kel_speed_up(target [UNITY]): UNITY for libraries of many sources. Tests
# stay out of unity builds: a test program has one to three sources, and GCC
# takes a fixture in an anonymous namespace for one in a header there.
function(kel_speed_up target)
  set_property(GLOBAL APPEND PROPERTY KEL_SPEED_TARGETS ${target})
  if(NOT KEL_UNITY OR NOT "${ARGN}" STREQUAL "UNITY")
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${KEL_UNITY_BATCH})
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    cmake_path(GET source FILENAME name)
    if(name IN_LIST KEL_UNITY_ALONE)
      set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

# Every library a target links, directly or through the libraries it links.
function(kel_link_closure target out)
  set(seen)
  set(queue ${target})
  set(property LINK_LIBRARIES)
  while(queue)
    list(POP_FRONT queue item)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(item IN_LIST seen OR item MATCHES "^\\$<")
      continue()
    endif()
    # Imported targets found in a folder are seen only there: their names
    # count, what they link is not followed.
    list(APPEND seen ${item})
    if(NOT TARGET "${item}")
      continue()
    endif()
    get_target_property(libs ${item} ${property})
    set(property INTERFACE_LINK_LIBRARIES)
    if(libs)
      list(APPEND queue ${libs})
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(kel_precompile target)
  kel_link_closure(${target} linked)
  set(headers ${KEL_PCH_STD})
  foreach(library IN LISTS KEL_PCH_LIBRARIES)
    if(library IN_LIST linked)
      list(APPEND headers ${KEL_PCH_${library}})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES headers)
  # Executables and libraries, with and without position-independent code,
  # are compiled with different flags: each kind has its own donors.
  get_target_property(type ${target} TYPE)
  # A precompiled header is used only under the definitions it was made with:
  # the target's own and those its libraries pass on count too.
  set(defines)
  foreach(item IN LISTS target linked)
    if(TARGET "${item}")
      get_target_property(own ${item} INTERFACE_COMPILE_DEFINITIONS)
      if(item STREQUAL target)
        get_target_property(own ${item} COMPILE_DEFINITIONS)
      endif()
      if(own)
        list(APPEND defines ${own})
      endif()
    endif()
  endforeach()
  list(SORT defines)
  # A definition that names the target's folder (Qt Test's build folder)
  # differs from folder to folder.
  if(defines MATCHES "BINARY_DIR|TESTCASE_BUILDDIR")
    get_target_property(folder ${target} BINARY_DIR)
    list(APPEND defines ${folder})
  endif()
  string(MD5 key "${type};${headers};${defines}")
  get_property(donor GLOBAL PROPERTY KEL_PCH_DONOR_${key})
  if(donor)
    set_target_properties(${target} PROPERTIES PRECOMPILE_HEADERS_REUSE_FROM ${donor})
  else()
    set_property(GLOBAL PROPERTY KEL_PCH_DONOR_${key} ${target})
    target_precompile_headers(${target} PRIVATE ${headers})
  endif()
endfunction()

# Runs once every folder is read, when each target links all it will.
function(kel_precompile_all)
  get_property(targets GLOBAL PROPERTY KEL_SPEED_TARGETS)
  foreach(target IN LISTS targets)
    kel_precompile(${target})
  endforeach()
endfunction()

# Only what links Qt has anything for moc to do.
function(kel_moc_only_qt directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "EXECUTABLE|LIBRARY")
      kel_link_closure(${target} linked)
      if(NOT linked MATCHES "(^|;)Qt6::")
        set_target_properties(${target} PROPERTIES AUTOMOC OFF)
      endif()
    endif()
  endforeach()
  get_property(folders DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(folder IN LISTS folders)
    kel_moc_only_qt(${folder})
  endforeach()
endfunction()

function(kel_speed_up_all)
  kel_moc_only_qt(${PROJECT_SOURCE_DIR})
  if(KEL_PCH)
    kel_precompile_all()
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL kel_speed_up_all)
