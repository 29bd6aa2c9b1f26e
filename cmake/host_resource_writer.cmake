# The resource writer (tools/resource_writer.cpp), built with the build
# machine's own compiler: the Windows and web builds target another machine
# but run the writer here, to turn window/res/ into the files they ship. It
# sees the include roots of what it is made of (cmake/include_roots.cmake).
function(kv_host_resource_writer out)
  find_program(KV_HOST_CXX NAMES c++ g++ REQUIRED)
  set(writer ${PROJECT_BINARY_DIR}/tools/resource_writer)
  set(res ${PROJECT_SOURCE_DIR}/window/res)
  set(inputs ${res}/main_icon_16.xpm ${res}/main_icon_32.xpm ${res}/resource_ids.h ${res}/resources.cpp
             ${res}/resources.h)
  add_custom_command(
    OUTPUT ${writer}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/tools
    COMMAND ${KV_HOST_CXX} -std=c++20 -Wall -Wextra -I${KV_INCLUDE_ROOTS}/platform -I${KV_INCLUDE_ROOTS}/platform_software
            -I${KV_INCLUDE_ROOTS}/window_res
            ${PROJECT_SOURCE_DIR}/tools/resource_writer.cpp ${PROJECT_SOURCE_DIR}/platform/software/xpm_picture.cpp
            ${PROJECT_SOURCE_DIR}/window/res/resources.cpp -o ${writer}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/resource_writer.cpp ${PROJECT_SOURCE_DIR}/platform/software/xpm_picture.cpp
            ${PROJECT_SOURCE_DIR}/platform/software/xpm_picture.h ${inputs} ${PROJECT_SOURCE_DIR}/platform/resources.h
    COMMENT "Building the resource writer for the build machine")
  set(${out} ${writer} PARENT_SCOPE)
endfunction()
