# Included by the top-level CMakeLists when LUMISK_FUZZ is on, before any
# target exists: every library the fuzz targets link is built with coverage
# instrumentation and the address and undefined-behaviour sanitizers.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "LUMISK_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
add_compile_options(
    -fsanitize=fuzzer-no-link,address,undefined
    # Classes with hidden visibility have one type_info per library, which the
    # vptr check would report when objects cross a library boundary.
    -fno-sanitize=vptr
    -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined -fno-sanitize=vptr)
