# Benchmark programs; tools/bench runs every bin/*_bench.exe.
add_executable(dib_bench ${CMAKE_SOURCE_DIR}/bench/DibBench.cpp)
target_link_libraries(dib_bench PRIVATE tovik_dib)
