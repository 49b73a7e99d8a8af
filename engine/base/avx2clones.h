#pragma once

// On x86-64 a hot loop marked with this gets an AVX2 copy beside the baseline one, picked once at
// load time from the processor; other machines compile it once for their own instruction set.
#if defined(__x86_64__)
#define QUORVANE_AVX2_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define QUORVANE_AVX2_CLONES
#endif
