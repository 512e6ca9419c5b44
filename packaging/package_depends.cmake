# Read by cpack for each package it makes. For the Debian package: Depends = what dpkg-shlibdeps
# finds for the programs and the tag library, then the packages they load at run time that it
# cannot see, each package named once. Computing it here, not by cpack's own dpkg-shlibdeps
# step, keeps cpack from adding ldconfig scripts for a library that lies in a private folder.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(work ${CPACK_PACKAGE_DIRECTORY}/_shlibdeps)
file(MAKE_DIRECTORY ${work}/debian)
file(TOUCH ${work}/debian/control)
set(arguments)
foreach(binary IN LISTS CPACK_TUNVEX_BINARIES)
  list(APPEND arguments -e ${binary})
endforeach()
execute_process(
  COMMAND dpkg-shlibdeps -O ${arguments}
  WORKING_DIRECTORY ${work}
  OUTPUT_VARIABLE found RESULT_VARIABLE status ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${work})
if(NOT status EQUAL 0 OR NOT found MATCHES "shlibs:Depends=([^\n]*)")
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
endif()
string(REPLACE ", " ";" depends "${CMAKE_MATCH_1}")
set(named)
foreach(entry IN LISTS depends)
  string(REGEX MATCH "^[^ ]+" name "${entry}")
  list(APPEND named ${name})
endforeach()
foreach(package IN LISTS CPACK_TUNVEX_EXTRA_DEPENDS)
  list(FIND named ${package} index)
  if(index EQUAL -1)
    list(APPEND depends ${package})
    list(APPEND named ${package})
  endif()
endforeach()
list(JOIN depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
