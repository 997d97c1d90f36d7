# Precompiled headers: Qt's and QCustomPlot's headers are parsed once per
# build instead of once per source file. Two headers are built, one for the
# Qt Core side (the cores and kv481 link no Widgets) and one for the charts'
# side, and every target reuses the one that fits what it links.
#
# GCC only: it falls back to the plain headers when a target's definitions
# differ in a way that matters, where clang refuses the build (its sanitizer
# and fuzzing builds compile as before).
# KV_PCH (the top CMakeLists.txt) turns them off.

if(NOT KV_PCH OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  return()
endif()

set(kv_pch_source ${CMAKE_BINARY_DIR}/kv_pch.cpp)
file(WRITE ${kv_pch_source} "// Holds the shared precompiled headers.\n")

add_library(kv_pch_core STATIC ${kv_pch_source})
target_link_libraries(kv_pch_core PRIVATE Qt6::Core)
target_precompile_headers(kv_pch_core PRIVATE
  <QtCore/QtCore>
  <algorithm> <cmath> <functional> <memory> <vector>)

find_package(QCustomPlotQt6 REQUIRED)
add_library(kv_pch_widgets STATIC ${kv_pch_source})
target_link_libraries(kv_pch_widgets PRIVATE Qt6::Widgets Qt6::PrintSupport QCustomPlotQt6::QCustomPlotQt6)
target_precompile_headers(kv_pch_widgets PRIVATE
  <QtCore/QtCore> <QtGui/QtGui> <QtWidgets/QtWidgets> <qcustomplot.h>
  <algorithm> <cmath> <functional> <memory> <vector>)

# Whether a target links a library, directly or through others.
function(kv_links target library out)
  set(found OFF)
  set(seen ${target})
  set(queue ${target})
  while(queue AND NOT found)
    list(POP_FRONT queue t)
    get_target_property(libs ${t} LINK_LIBRARIES)
    get_target_property(ilibs ${t} INTERFACE_LINK_LIBRARIES)
    foreach(l IN LISTS libs ilibs)
      if(l STREQUAL library)
        set(found ON)
      elseif(TARGET ${l} AND NOT l IN_LIST seen AND l MATCHES "^kv_")
        list(APPEND seen ${l})
        list(APPEND queue ${l})
      endif()
    endforeach()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(kv_targets_in dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    kv_targets_in(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

kv_targets_in(${PROJECT_SOURCE_DIR} kv_all_targets)
foreach(t IN LISTS kv_all_targets)
  get_target_property(type ${t} TYPE)
  if(NOT type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$" OR t MATCHES "^kv_pch_")
    continue()
  endif()
  # The window side's header holds what QCustomPlot brings (Print Support
  # among it); a Widgets target without it would not match, and takes the
  # Core one.
  kv_links(${t} QCustomPlotQt6::QCustomPlotQt6 widgets)
  kv_links(${t} Qt6::Core core)
  if(NOT core)
    kv_links(${t} kv_common core)
  endif()
  if(widgets)
    target_precompile_headers(${t} REUSE_FROM kv_pch_widgets)
  elseif(core)
    target_precompile_headers(${t} REUSE_FROM kv_pch_core)
  endif()
endforeach()
