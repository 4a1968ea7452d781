# storm_module(<target> DIR <folder> [DEPENDS <targets>...] [LIBS <libraries>...] SOURCES <files>...)
#
# One module of the application: a static library of the SOURCES, named relative to <folder>. Its
# headers (the .h among them) are reached as "<folder>/Name.h" through an include root of its own
# that holds links to them alone, and a target sees the roots of the targets it depends on and of
# theirs. A source that includes a header of a module it does not depend on therefore fails to
# build: the graph of DEPENDS is the only way between the modules.
function(storm_module name)
  cmake_parse_arguments(M "" "DIR" "DEPENDS;LIBS;SOURCES" ${ARGN})
  set(folder ${CMAKE_SOURCE_DIR}/${M_DIR})
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${M_DIR})
  set(sources)
  foreach(file ${M_SOURCES})
    list(APPEND sources ${folder}/${file})
    if(file MATCHES "\\.h$")
      file(CREATE_LINK ${folder}/${file} ${root}/${M_DIR}/${file} SYMBOLIC)
    endif()
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${M_DEPENDS} ${M_LIBS})
endfunction()
