# The geodata library's sources, for its own build and for the fuzzers' separate clang build.
set(TESSELO_GEODATA_SOURCES)
foreach(f meshcode.cpp adler32.cpp inflate.cpp catalogue.cpp places.cpp placeindex.cpp boundary.cpp meshdb.cpp geodata.cpp municipal.cpp)
  list(APPEND TESSELO_GEODATA_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${f})
endforeach()
