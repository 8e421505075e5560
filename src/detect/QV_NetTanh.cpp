// The networks' tanh, singly and over runs of hidden units.
#include "QV_NetTanh.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cmath>

namespace {

// e^z = 2^k e^r with k the integer nearest z / ln 2 and r = z - k ln 2 (ln 2
// in two parts, the first with trailing zero bits so that k times it is
// exact), |r| <= ln 2 / 2; e^r from its Taylor series to the 13th power,
// whose remainder there is below 2^-57.
constexpr double kLog2e = 1.4426950408889634;
constexpr double kLn2High = 6.93147180369123816490e-01;
constexpr double kLn2Low = 1.90821492927058770002e-10;
constexpr int kTerms = 13;
// 1/13!, 1/12!, ..., 1/1!, 1/0!, for Horner's scheme.
constexpr double kInverseFactorials[kTerms + 1] = {
    1.0 / 6227020800.0, 1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0,
    1.0 / 40320.0,      1.0 / 5040.0,      1.0 / 720.0,      1.0 / 120.0,     1.0 / 24.0,
    1.0 / 6.0,          1.0 / 2.0,         1.0,              1.0};
// Beyond |2x| = 40 the double 1 - 2 / (e^2x + 1) is exactly 1 or -1, so the
// argument is limited there.
constexpr double kLimit = 40.0;
// How far apart the polynomial's double result and the library's can be
// (a few units of 2^-53 at most); a result nearer than this to the middle
// between two floats is taken the one-value way.
constexpr double kMargin = 1.0 / 70368744177664.0;  // 2^-46

}  // namespace

float QV_NetTanh(float x)
{
    return static_cast<float>(1.0 - 2.0 / (std::exp(2.0 * static_cast<double>(x)) + 1.0));
}

double QV_NetExpPolynomial(double z)
{
    const double k = std::nearbyint(z * kLog2e);
    const double r = (z - k * kLn2High) - k * kLn2Low;
    double p = kInverseFactorials[0];
    for (int i = 1; i <= kTerms; ++i) p = p * r + kInverseFactorials[i];
    return std::ldexp(p, static_cast<int>(k));
}

int QV_NetTanhRun(float* values, int n)
{
    int slow = 0;
    int i = 0;
#if defined(__SSE2__)
    const __m128d one = _mm_set1_pd(1.0), two = _mm_set1_pd(2.0);
    const __m128d low = _mm_set1_pd(-kLimit), high = _mm_set1_pd(kLimit);
    const __m128d margin = _mm_set1_pd(kMargin);
    for (; i < n; i += 2) {
        const bool pair = i + 1 < n;
        const __m128d x = _mm_setr_pd(values[i], pair ? values[i + 1] : values[i]);
        __m128d z = _mm_add_pd(x, x);
        const __m128d notNumber = _mm_cmpunord_pd(z, z);
        z = _mm_min_pd(_mm_max_pd(z, low), high);
        // The same steps as QV_NetExpPolynomial, two lanes at once.
        const __m128i ki = _mm_cvtpd_epi32(_mm_mul_pd(z, _mm_set1_pd(kLog2e)));
        const __m128d k = _mm_cvtepi32_pd(ki);
        const __m128d r =
            _mm_sub_pd(_mm_sub_pd(z, _mm_mul_pd(k, _mm_set1_pd(kLn2High))), _mm_mul_pd(k, _mm_set1_pd(kLn2Low)));
        __m128d p = _mm_set1_pd(kInverseFactorials[0]);
        for (int t = 1; t <= kTerms; ++t) p = _mm_add_pd(_mm_mul_pd(p, r), _mm_set1_pd(kInverseFactorials[t]));
        // 2^k from its exponent bits; |k| <= 58 keeps it a normal number.
        const __m128i biased = _mm_add_epi32(ki, _mm_set1_epi32(1023));
        const __m128i wide = _mm_unpacklo_epi32(biased, _mm_setzero_si128());
        const __m128d scale = _mm_castsi128_pd(_mm_slli_epi64(wide, 52));
        const __m128d e = _mm_mul_pd(p, scale);
        const __m128d t = _mm_sub_pd(one, _mm_div_pd(two, _mm_add_pd(e, one)));
        const __m128 f = _mm_cvtpd_ps(t);
        const __m128 below = _mm_cvtpd_ps(_mm_sub_pd(t, margin));
        const __m128 above = _mm_cvtpd_ps(_mm_add_pd(t, margin));
        const int doubtful = (_mm_movemask_ps(_mm_cmpneq_ps(below, above)) | _mm_movemask_pd(notNumber)) & 3;
        float out[4];
        _mm_storeu_ps(out, f);
        for (int lane = 0; lane < (pair ? 2 : 1); ++lane) {
            if (doubtful & (1 << lane)) {
                values[i + lane] = QV_NetTanh(values[i + lane]);
                ++slow;
            } else {
                values[i + lane] = out[lane];
            }
        }
    }
#endif
    for (; i < n; ++i, ++slow) values[i] = QV_NetTanh(values[i]);
    return slow;
}
