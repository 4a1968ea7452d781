# storm_module(<target> DIR <folder> [DEPENDS <targets>...] [LIBS <libraries>...] [EXCLUDE <files>...])
#
# One module of the application: a static library of the sources in <folder> (not its
# subfolders), but those EXCLUDE names. Its headers are reached as "<folder>/Name.h" through an include root of its own that
# holds links to them alone, and a target sees the roots of the targets it depends on and of
# theirs. A source that includes a header of a module it does not depend on therefore fails to
# build: the graph of DEPENDS is the only way between the modules.
function(storm_module name)
  cmake_parse_arguments(M "" "DIR" "DEPENDS;LIBS;EXCLUDE" ${ARGN})
  set(folder ${CMAKE_SOURCE_DIR}/${M_DIR})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  foreach(excluded ${M_EXCLUDE})
    list(REMOVE_ITEM sources ${folder}/${excluded})
  endforeach()
  file(GLOB headers CONFIGURE_DEPENDS ${folder}/*.h)
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${M_DIR})
  foreach(header ${headers})
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${M_DIR}/${file} SYMBOLIC)
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${M_DEPENDS} ${M_LIBS})
endfunction()
