# Benchmarks of the whole library as a game uses it: time to visible,
# background erase, hover, resource use over 1,000 calls, size. tools/bench
# runs every bin/*_bench.exe. Those of the dialog share their main
# (BenchMain.cpp); size_bench, which reads a file, has its own.
# The DLL's size as its file gives it, and the budget of each build: the size
# benchmark prints them, the binary test holds the DLL to the budget.
add_library(tovik_dll_size STATIC ${CMAKE_SOURCE_DIR}/bench/DllSize.cpp)
target_include_directories(tovik_dll_size PUBLIC ${CMAKE_SOURCE_DIR}/bench)
target_link_libraries(tovik_dll_size PUBLIC tovik_ui_driver)

add_library(tovik_bench_support STATIC ${CMAKE_SOURCE_DIR}/bench/BenchSupport.cpp)
target_include_directories(tovik_bench_support PUBLIC ${CMAKE_SOURCE_DIR}/bench)
target_link_libraries(tovik_bench_support PUBLIC tovik_ui_driver tovik_dll_size tovik_sdk_header)

foreach(bench visible erase hover resources size)
    string(SUBSTRING ${bench} 0 1 first)
    string(TOUPPER ${first} first)
    string(SUBSTRING ${bench} 1 -1 rest)
    add_executable(${bench}_bench ${CMAKE_SOURCE_DIR}/bench/${first}${rest}Bench.cpp)
    if(NOT bench STREQUAL "size")
        target_sources(${bench}_bench PRIVATE ${CMAKE_SOURCE_DIR}/bench/BenchMain.cpp)
    endif()
    target_link_libraries(${bench}_bench PRIVATE tovik_bench_support)
    add_dependencies(${bench}_bench TovikDlg)
endforeach()
