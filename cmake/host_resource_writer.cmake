# The resource writer (tools/resource_writer.cpp), built with the build
# machine's own compiler: the Windows and web builds target another machine
# but run the writer here, to turn window/res/ into the files they ship.
function(kv_host_resource_writer out)
  find_program(KV_HOST_CXX NAMES c++ g++ REQUIRED)
  set(writer ${PROJECT_BINARY_DIR}/tools/resource_writer)
  file(GLOB inputs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/window/res/*)
  add_custom_command(
    OUTPUT ${writer}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/tools
    COMMAND ${KV_HOST_CXX} -std=c++20 -Wall -Wextra -I${PROJECT_SOURCE_DIR} -I${PROJECT_SOURCE_DIR}/window
            ${PROJECT_SOURCE_DIR}/tools/resource_writer.cpp ${PROJECT_SOURCE_DIR}/platform/software/xpm_picture.cpp
            ${PROJECT_SOURCE_DIR}/window/res/resources.cpp -o ${writer}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/resource_writer.cpp ${PROJECT_SOURCE_DIR}/platform/software/xpm_picture.cpp
            ${PROJECT_SOURCE_DIR}/platform/software/xpm_picture.h ${inputs} ${PROJECT_SOURCE_DIR}/platform/resources.h
    COMMENT "Building the resource writer for the build machine")
  set(${out} ${writer} PARENT_SCOPE)
endfunction()
