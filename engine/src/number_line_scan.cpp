#include "number_line_scan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "vector_lanes.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#if QUENBY_WIDE_VECTORS
#include <immintrin.h>
#endif

namespace quenby {

namespace {

constexpr size_t kBlock = 64;
constexpr size_t kBlocksAtOnce = 16;

// One bit per byte of a block, the first byte in the lowest bit, and the
// number of line ends.
struct Classes {
  uint64_t digit = 0, point = 0, blank = 0, minus = 0, cr = 0, lf = 0;
  int64_t lines = 0;
};

// Counts without the POPCNT instruction, which the baseline set lacks.
inline int64_t CountBits(uint64_t v) {
  v = v - ((v >> 1) & 0x5555555555555555u);
  v = (v & 0x3333333333333333u) + ((v >> 2) & 0x3333333333333333u);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int64_t>((v * 0x0101010101010101u) >> 56);
}

#if defined(__SSE2__) || defined(_M_X64)
void ClassifyBaseline(const char* p, size_t blocks, Classes* out) {
  for (size_t i = 0; i < blocks; ++i, p += kBlock) {
    Classes c;
    for (int k = 0; k < 4; ++k) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      auto bits = [k](__m128i m) { return uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(m))} << (16 * k); };
      auto equal = [&](char ch) { return bits(_mm_cmpeq_epi8(x, _mm_set1_epi8(ch))); };
      // A digit is a byte whose distance from '0' is at most 9, unsigned.
      const __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
      c.digit |= bits(_mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d));
      c.point |= equal('.');
      c.blank |= equal(' ');
      c.minus |= equal('-');
      c.cr |= equal('\r');
      c.lf |= equal('\n');
    }
    c.lines = CountBits(c.lf);
    out[i] = c;
  }
}
#else
void ClassifyBaseline(const char* p, size_t blocks, Classes* out) {
  for (size_t i = 0; i < blocks; ++i, p += kBlock) {
    Classes c;
    for (size_t j = 0; j < kBlock; ++j) {
      const uint64_t bit = uint64_t{1} << j;
      const char ch = p[j];
      if (ch >= '0' && ch <= '9') c.digit |= bit;
      if (ch == '.') c.point |= bit;
      if (ch == ' ') c.blank |= bit;
      if (ch == '-') c.minus |= bit;
      if (ch == '\r') c.cr |= bit;
      if (ch == '\n') c.lf |= bit;
    }
    c.lines = CountBits(c.lf);
    out[i] = c;
  }
}
#endif

#if QUENBY_WIDE_VECTORS
// One comparison per class and block, straight into a bit mask.
__attribute__((target("avx512f,avx512bw,popcnt"))) void ClassifyAvx512(const char* p, size_t blocks,
                                                                        Classes* out) {
  const __m512i zero = _mm512_set1_epi8('0'), nine = _mm512_set1_epi8(9);
  const __m512i point = _mm512_set1_epi8('.'), blank = _mm512_set1_epi8(' '), minus = _mm512_set1_epi8('-');
  const __m512i cr = _mm512_set1_epi8('\r'), lf = _mm512_set1_epi8('\n');
  for (size_t i = 0; i < blocks; ++i, p += kBlock) {
    const __m512i x = _mm512_loadu_si512(p);
    Classes c;
    c.digit = _mm512_cmple_epu8_mask(_mm512_sub_epi8(x, zero), nine);
    c.point = _mm512_cmpeq_epi8_mask(x, point);
    c.blank = _mm512_cmpeq_epi8_mask(x, blank);
    c.minus = _mm512_cmpeq_epi8_mask(x, minus);
    c.cr = _mm512_cmpeq_epi8_mask(x, cr);
    c.lf = _mm512_cmpeq_epi8_mask(x, lf);
    c.lines = __builtin_popcountll(c.lf);
    out[i] = c;
  }
}

#endif

using ClassifyBlocks = void (*)(const char*, size_t, Classes*);

ClassifyBlocks Classifier() {
#if QUENBY_WIDE_VECTORS
  static const ClassifyBlocks chosen = Avx512BytesAvailable() ? ClassifyAvx512 : ClassifyBaseline;
  return chosen;
#else
  return ClassifyBaseline;
#endif
}

// The position of the k-th (from 1) set bit of bits, which has at least k.
int NthBit(uint64_t bits, int64_t k) {
  for (; k > 1; --k) bits &= bits - 1;
  return std::countr_zero(bits);
}

}  // namespace

NumberLineScan ScanNumberLines(const char* text, size_t size, size_t from, int64_t most) {
  NumberLineScan r;
  r.end = from;
  r.stop = from;
  if (most <= 0) return r;
  const int64_t wanted = most;
  const ClassifyBlocks classify = Classifier();
  // What the byte before the block was; from follows a line end.
  uint64_t lfBefore = 1, crBefore = 0, innerBlankBefore = 0, afterBefore = 0, digitBefore = 0, bodyCarry = 0;
  // The last accepted line end: in the block at lastBlock, the highest bit.
  size_t lastBlock = 0;
  uint64_t lastEnds = 0;
  auto finish = [&](size_t stop) {
    r.lines = wanted - most;
    if (lastEnds != 0) r.end = lastBlock + static_cast<size_t>(64 - std::countl_zero(lastEnds));
    r.stop = stop;
    return r;
  };
  Classes classes[kBlocksAtOnce];
  char last[kBlock];
  for (size_t b = from; b < size;) {
    // Whole blocks a batch at a time; the text's last bytes padded with
    // bytes of no class.
    size_t blocks = std::min(kBlocksAtOnce, (size - b) / kBlock);
    uint64_t lastInText = ~uint64_t{0};
    if (blocks > 0) {
      classify(text + b, blocks, classes);
    } else {
      std::memset(last, 0, kBlock);
      std::memcpy(last, text + b, size - b);
      classify(last, 1, classes);
      blocks = 1;
      lastInText = (uint64_t{1} << (size - b)) - 1;
    }
    for (size_t i = 0; i < blocks; ++i, b += kBlock) {
      const Classes& c = classes[i];
      // Every check marks the byte at which a line breaks the form.
      const uint64_t start = (c.lf << 1) | lfBefore;  // first byte of a line
      const uint64_t innerBlank = c.blank & ~start;
      uint64_t bad = ~(c.digit | c.point | c.blank | c.minus | c.cr | c.lf);
      bad |= c.lf ^ ((c.cr << 1) | crBefore);                        // CR and LF only as a pair
      bad |= (start ^ c.minus) & ~(c.blank & start);                  // a blank or minus starts a line, no minus elsewhere
      bad |= ((innerBlank << 1) | innerBlankBefore) & ~c.cr;          // a blank after the number ends it
      bad |= (((start | c.point) << 1) | afterBefore) & ~c.digit;     // a digit starts the number and follows a point
      bad |= c.point & ~((c.digit << 1) | digitBefore);               // and precedes it
      // At most one point in a number: adding the points to the number's
      // bytes carries from the first point out of the number, clearing the
      // later points' bytes and setting them again, where they show.
      const uint64_t body = c.digit | c.point;
      uint64_t sum = 0;
      const bool carryOut = __builtin_add_overflow(body, c.point, &sum);
      const bool carryOut2 = __builtin_add_overflow(sum, bodyCarry, &sum);
      bad |= sum & c.point;

      const uint64_t inText = i + 1 == blocks ? lastInText : ~uint64_t{0};
      if (bad != 0 || inText != ~uint64_t{0} || c.lf == 0 || c.lines >= most) {
        bad &= inText;
        const uint64_t lf = c.lf & inText;
        const uint64_t good = bad != 0 ? lf & ((bad & (~bad + 1)) - 1) : lf;  // line ends before the first fault
        const int64_t n = CountBits(good);
        if (n >= most) {
          const int end = NthBit(good, most);
          lastBlock = b;
          lastEnds = uint64_t{1} << end;
          most = 0;
          return finish(b + static_cast<size_t>(end) + 1);
        }
        most -= n;
        if (good != 0) {
          lastBlock = b;
          lastEnds = good;
        }
        // A block without a line end lies inside a line of 64 bytes or more:
        // a number that long is left to the field reader.
        if (bad != 0 || lf == 0) return finish(std::min(b + kBlock, size));
      } else {
        most -= c.lines;
        lastBlock = b;
        lastEnds = c.lf;
      }
      lfBefore = c.lf >> 63;
      crBefore = c.cr >> 63;
      innerBlankBefore = innerBlank >> 63;
      afterBefore = (start | c.point) >> 63;
      digitBefore = c.digit >> 63;
      bodyCarry = (carryOut || carryOut2) ? 1 : 0;
    }
  }
  return finish(size);
}

}  // namespace quenby
