// The word search over 32-byte AVX2 lanes. This file alone is compiled for
// AVX2, and a set's matcher is one of it only where WideLanesUsable says
// the processor and its system run them.
#include <immintrin.h>

#if !defined(__AVX2__)
#error "this file is compiled with -mavx2"
#endif

#include "catalogue/word_search.h"

namespace {

struct WideLanes {
    typedef __m256i Vector;
    static const uintptr_t size = 32;
    static const int probesInner = 1;
    // 64 to 160 bytes: the short paths of a small tree fit the first.
    static const unsigned windowBlocks0 = 2;
    static const unsigned windowBlocks1 = 3;
    static const unsigned windowBlocks2 = 4;
    static const unsigned windowBlocks3 = 5;
    static Vector Load(const unsigned char* at)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    static Vector Splat(unsigned char byte) { return _mm256_set1_epi8((char)byte); }
    static Vector Zero() { return _mm256_setzero_si256(); }
    static Vector Ones() { return _mm256_set1_epi8((char)0xFF); }
    static Vector Equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
    static Vector And(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static Vector Min(Vector a, Vector b) { return _mm256_min_epu8(a, b); }
    static unsigned Mask(Vector v) { return (unsigned)_mm256_movemask_epi8(v); }
};

}  // namespace

// constexpr: constant-initialised, whatever the compiler (extern, for match.cpp).
extern constexpr WordSetMatcher wideMatchers[8] = {
    Matchers<WideLanes>::table[0], Matchers<WideLanes>::table[1], Matchers<WideLanes>::table[2],
    Matchers<WideLanes>::table[3], Matchers<WideLanes>::table[4], Matchers<WideLanes>::table[5],
    Matchers<WideLanes>::table[6], Matchers<WideLanes>::table[7],
};

MATCHER_CONVENTION int MatchWideInPart(WordSet* set, const char* entry)
{
    return MatchWordsInPart<WideLanes>(set, entry);
}
