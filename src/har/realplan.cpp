#include "modrask/har/realplan.h"

#include <algorithm>
#include <limits>

#include "modrask/support/message.h"

namespace modrask {

bool TFullPlan::Make(const TDims7& d, std::string& msg) {
  d_ = d;
  empty_ = std::any_of(d.begin() + 1, d.end(), [](int32_t n) { return n < 1; });
  k_ = 1;
  p_ = 1;
  m_ = 1;
  nChunks_ = 1;
  if (empty_) return true;
  for (int j = 2; j <= 7; ++j) {
    if (p_ * d[j - 1] > MaxFullValues) break;
    p_ *= d[j - 1];
    k_ = j;
  }
  m_ = static_cast<int32_t>(std::min<int64_t>(MaxFullValues / p_, d[k_]));
  nChunks_ = d[k_] / m_ + (d[k_] % m_ != 0 ? 1 : 0);
  bool overflow = false;
  for (int j = k_ + 1; j <= 7; ++j)
    overflow = overflow || __builtin_mul_overflow(nChunks_, int64_t{d[j]}, &nChunks_);
  if (overflow) return Fail(msg, "Too many records: KREC=beyond 64 bits");
  // Two records per chunk and the dimension record; counted unsigned, where
  // any chunk count that fits in 64 signed bits gives a true total.
  const uint64_t krec = 2 * static_cast<uint64_t>(nChunks_) + 1;
  if (krec > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    return Fail(msg, "Too many records: KREC=" + std::to_string(krec));
  return true;
}

void TFullPlan::Start(TFullChunk& c) const {
  c.lo = 1;
  c.hi = empty_ ? 1 : std::min(m_, d_[k_]);
  for (int j = 1; j <= 7; ++j) c.sub[j] = 1;
}

bool TFullPlan::Advance(TFullChunk& c) const {
  if (empty_) return false;
  if (c.hi < d_[k_]) {
    c.lo = c.hi + 1;
    c.hi = static_cast<int32_t>(std::min<int64_t>(int64_t{c.lo} + m_ - 1, d_[k_]));
    return true;
  }
  c.lo = 1;
  c.hi = std::min(m_, d_[k_]);
  for (int j = k_ + 1; j <= 7; ++j) {  // the next subscripts above k, Fortran order
    if (++c.sub[j] <= d_[j]) return true;
    c.sub[j] = 1;
  }
  return false;
}

int64_t TFullPlan::Count(const TFullChunk& c) const {
  return empty_ ? 0 : (int64_t{c.hi} - c.lo + 1) * p_;
}

std::array<int32_t, 14> TFullPlan::Limits(const TFullChunk& c) const {
  std::array<int32_t, 14> limits{};
  for (int j = 1; j <= 7; ++j) {
    int32_t lo = 1, hi = d_[j];
    if (!empty_ && j == k_) {
      lo = c.lo;
      hi = c.hi;
    } else if (!empty_ && j > k_) {
      lo = hi = c.sub[j];
    }
    limits[static_cast<size_t>(2 * j - 2)] = lo;
    limits[static_cast<size_t>(2 * j - 1)] = hi;
  }
  return limits;
}

}  // namespace modrask
