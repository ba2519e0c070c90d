# Every library of the tree takes the sources of its own folder, so that a new unit
# needs no edit of a shared list.
function(mrw_glob_sources out dir)
  file(GLOB found CONFIGURE_DEPENDS
    ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# A library made of one folder's sources; an empty folder still gives a target.
function(mrw_folder_library name dir)
  mrw_glob_sources(srcs ${dir})
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${srcs} ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()
