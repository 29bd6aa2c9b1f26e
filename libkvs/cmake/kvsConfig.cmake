# The CMake package of libkvs: find_package(kvs 1.0 CONFIG REQUIRED) gives
# the target kvs::kvs, with its include folder.
include(CMakeFindDependencyMacro)
find_dependency(Threads)
include(${CMAKE_CURRENT_LIST_DIR}/kvsTargets.cmake)
