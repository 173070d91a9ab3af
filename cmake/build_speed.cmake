# What keeps the build fast: ccache when it is installed, and precompiled Qt headers shared
# by every target.

# ccache is used when present, unless a launcher was named on the command line. The
# precompiled headers are cacheable only with these sloppiness settings: the compiler's own
# checks (-Winvalid-pch) still reject a header built for other macros.
set(BP_CCACHE_SLOPPINESS pch_defines,time_macros,include_file_mtime,include_file_ctime)
find_program(BP_CCACHE ccache)
if(NOT DEFINED CMAKE_CXX_COMPILER_LAUNCHER AND BP_CCACHE)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${BP_CCACHE})
endif()
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$")
  set(CMAKE_CXX_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=${BP_CCACHE_SLOPPINESS} ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

option(BP_PRECOMPILED_HEADERS "Precompile the Qt and standard headers most files include" ON)

# Two headers are built once each: one for targets on Qt Core (and Gui), one for targets on
# Qt Widgets; every other target reuses one of them. Qt's own headers do not look at the
# QT_*_LIB macros that differ between targets, so a header built on one target is valid for
# all of its group (QTest does look at them, hence it is left out).
set(BP_PCH_CORE
  <algorithm> <array> <functional> <memory> <optional> <utility> <vector>
  <QByteArray> <QDir> <QFile> <QFileInfo> <QHash> <QList> <QObject> <QRegularExpression>
  <QString> <QStringList> <QStringView> <QTemporaryDir> <QTimer> <QVariant>)
set(BP_PCH_WIDGETS ${BP_PCH_CORE}
  <QAction> <QApplication> <QDialog> <QFont> <QKeyEvent> <QLabel> <QMenu> <QPainter>
  <QPushButton> <QScreen> <QScrollBar> <QTreeView> <QWidget>)

# True in `out` when `target` links `wanted` directly or through its libraries.
function(bp_links_to target wanted out)
  set(seen)
  set(queue ${target})
  set(found FALSE)
  while(queue)
    list(POP_FRONT queue current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    if(current STREQUAL wanted)
      set(found TRUE)
      break()
    endif()
    get_target_property(type ${current} TYPE)
    set(libs)
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT current MATCHES "::")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND libs ${direct})
      endif()
    endif()
    get_target_property(usage ${current} INTERFACE_LINK_LIBRARIES)
    if(usage)
      list(APPEND libs ${usage})
    endif()
    foreach(lib ${libs})
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
      if(NOT lib MATCHES "^\\$<")
        list(APPEND queue ${lib})
      endif()
    endforeach()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(bp_targets_in dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    bp_targets_in(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Called once every target exists. A target keeps its own headers with the target property
# BP_NO_PCH (a shared library, or one built with other code-generation flags).
function(bp_share_precompiled_headers)
  if(NOT BP_PRECOMPILED_HEADERS OR CMAKE_DISABLE_PRECOMPILE_HEADERS)
    return()
  endif()
  set(stub ${CMAKE_BINARY_DIR}/generated/pch_owner.cpp)
  # Written once: a new time stamp on every configure would rebuild the owners.
  if(NOT EXISTS ${stub})
    file(WRITE ${stub} "// The owner of a precompiled header compiles nothing of its own.\n")
  endif()
  add_library(bp_pch_core STATIC ${stub})
  target_link_libraries(bp_pch_core PRIVATE Qt6::Core)
  target_precompile_headers(bp_pch_core PRIVATE ${BP_PCH_CORE})
  add_library(bp_pch_widgets STATIC ${stub})
  target_link_libraries(bp_pch_widgets PRIVATE Qt6::Widgets)
  target_precompile_headers(bp_pch_widgets PRIVATE ${BP_PCH_WIDGETS})

  bp_targets_in(${CMAKE_SOURCE_DIR} targets)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(opt_out ${target} BP_NO_PCH)
    if(opt_out OR target MATCHES "^bp_pch_"
       OR NOT (type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "EXECUTABLE"))
      continue()
    endif()
    bp_links_to(${target} Qt6::Widgets widgets)
    if(widgets)
      target_precompile_headers(${target} REUSE_FROM bp_pch_widgets)
    else()
      bp_links_to(${target} Qt6::Core core)
      if(core)
        target_precompile_headers(${target} REUSE_FROM bp_pch_core)
      endif()
    endif()
  endforeach()
endfunction()

# lld links the test programs several times faster than the default linker; used when present.
find_program(BP_LLD ld.lld)
option(BP_FAST_LINKER "Link with lld when it is installed" ON)
if(BP_FAST_LINKER AND BP_LLD AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_link_options(-fuse-ld=lld)
endif()
