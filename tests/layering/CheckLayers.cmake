# Checks that the includes of the client layer, the grid and the program keep
# to the layers: a file may include its own layer and the layers below it,
# never one above; the generic layers and the grid include nothing of
# Firebird. Run as
#   cmake -DROOT=<source tree> -P CheckLayers.cmake
# It prints every include that breaks a rule and fails when there is one.

cmake_minimum_required(VERSION 3.25)

# What each layer of ibclient/ may include besides itself.
set(allowed_base "")
set(allowed_dataset "base")
set(allowed_binding "base")
set(allowed_sql "base;binding;dataset")
set(allowed_ibdataset "base;binding;dataset;sql")
set(layers base dataset binding sql ibdataset)
# The grid shows a generic record set and nothing more.
set(allowed_grid "base;dataset")
# Layers that must build without Firebird's headers.
set(firebird_free base dataset grid)

if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()

set(faults 0)
macro(fault text)
  message("${text}")
  math(EXPR faults "${faults} + 1")
endmacro()

# Checks the includes of one file; LAYER is its layer (a folder of ibclient/,
# or grid).
function(check_file file layer)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
  file(RELATIVE_PATH shown "${ROOT}" "${file}")
  set(count 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*[\"<]ibclient/([^/\">]+)/")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target IN_LIST layers)
        message("${shown}: includes ibclient/${target}, which is no layer")
        math(EXPR count "${count} + 1")
      elseif(NOT target STREQUAL layer AND NOT target IN_LIST allowed_${layer})
        message("${shown}: ${layer} includes ${target}, a layer it does not stand on")
        math(EXPR count "${count} + 1")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*[\"<]ibclient/[^/]+[\">]")
      message("${shown}: includes a file outside the layers: ${line}")
      math(EXPR count "${count} + 1")
    elseif(line MATCHES "#[ \t]*include[ \t]*[\"<](app|grid)/" AND NOT layer STREQUAL "grid")
      message("${shown}: the client layer includes the program or the grid: ${line}")
      math(EXPR count "${count} + 1")
    endif()
    if(layer IN_LIST firebird_free AND line MATCHES "#[ \t]*include[ \t]*[\"<](ibase\\.h|firebird/|ib_util\\.h|iberror\\.h)")
      message("${shown}: ${layer} includes a Firebird header: ${line}")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
  set(file_faults ${count} PARENT_SCOPE)
endfunction()

file(GLOB loose LIST_DIRECTORIES false "${ROOT}/ibclient/*.h" "${ROOT}/ibclient/*.cpp")
foreach(file IN LISTS loose)
  file(RELATIVE_PATH shown "${ROOT}" "${file}")
  fault("${shown}: belongs to no layer; put it in the folder of its layer")
endforeach()

foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files "${ROOT}/ibclient/${layer}/*.h" "${ROOT}/ibclient/${layer}/*.cpp")
  foreach(file IN LISTS files)
    check_file("${file}" ${layer})
    math(EXPR faults "${faults} + ${file_faults}")
  endforeach()
endforeach()

file(GLOB_RECURSE files "${ROOT}/grid/*.h" "${ROOT}/grid/*.cpp")
foreach(file IN LISTS files)
  check_file("${file}" grid)
  math(EXPR faults "${faults} + ${file_faults}")
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layers")
endif()
message("layers kept")
