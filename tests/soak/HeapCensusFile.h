// Where the heap census loaded into brindle.exe leaves its counts:
// "<busy blocks> <their bytes> <Wine's static-control blocks> <heaps walked>",
// over every heap of the process.
#pragma once

constexpr wchar_t kHeapCensusFile[] = L"C:\\users\\Public\\brindle-heap-census.txt";
