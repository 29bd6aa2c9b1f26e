// Hot loops built twice, for AVX2 and for the baseline, with the version the
// processor can run picked when the library is loaded. The pick needs the
// loader's indirect functions (ELF's ifunc); where there are none (Windows)
// the loop is built once, for the baseline. A function with clones is
// declared static: GCC exports the resolver of one with external linkage
// from the shared library, whatever its visibility.
#pragma once

#if defined(__x86_64__) && defined(__ELF__)
#define KVS_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KVS_AVX2_CLONES
#endif
