// Big natural arithmetic on 32-bit limbs: schoolbook and Karatsuba
// multiplication, long division with two-limb quotient estimates, and radix
// conversion by divide and conquer.
#include "reference/limbs.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace quorl::reference {

namespace {

using u128 = unsigned __int128;

// Below this many limbs in the shorter operand the schoolbook product wins.
constexpr size_t kKaratsubaThreshold = 40;
// Below this many limbs a radix conversion runs limb by limb.
constexpr size_t kConversionThreshold = 32;

template <uint64_t Base>
void schoolbook(const uint32_t* a, size_t na, const uint32_t* b, size_t nb, uint32_t* r) {
  std::fill(r, r + na + nb, 0u);
  for (size_t i = 0; i < na; i++) {
    uint64_t ai = a[i];
    if (ai == 0) continue;
    uint64_t carry = 0;
    for (size_t j = 0; j < nb; j++) {
      uint64_t t = ai * b[j] + r[i + j] + carry;
      r[i + j] = static_cast<uint32_t>(t % Base);
      carry = t / Base;
    }
    r[i + nb] = static_cast<uint32_t>(carry);
  }
}

// acc += x * Base^offset; acc is long enough to hold the sum.
template <uint64_t Base>
void addAt(Limbs& acc, const uint32_t* x, size_t nx, size_t offset) {
  uint64_t carry = 0;
  size_t i = 0;
  for (; i < nx; i++) {
    uint64_t t = uint64_t{acc[offset + i]} + x[i] + carry;
    carry = t >= Base;
    acc[offset + i] = static_cast<uint32_t>(t - carry * Base);
  }
  for (size_t k = offset + i; carry != 0 && k < acc.size(); k++) {
    uint64_t t = uint64_t{acc[k]} + carry;
    carry = t >= Base;
    acc[k] = static_cast<uint32_t>(t - carry * Base);
  }
}

// acc -= x, where x <= acc in value (x may carry high zero limbs).
template <uint64_t Base>
void subtractFrom(Limbs& acc, const Limbs& x) {
  size_t nx = x.size();
  while (nx > 0 && x[nx - 1] == 0) nx--;
  int64_t borrow = 0;
  size_t i = 0;
  for (; i < nx; i++) {
    int64_t t = int64_t{acc[i]} - x[i] - borrow;
    borrow = t < 0;
    acc[i] = static_cast<uint32_t>(t + borrow * static_cast<int64_t>(Base));
  }
  for (; borrow != 0 && i < acc.size(); i++) {
    int64_t t = int64_t{acc[i]} - borrow;
    borrow = t < 0;
    acc[i] = static_cast<uint32_t>(t + borrow * static_cast<int64_t>(Base));
  }
}

// The sum of two limb ranges, one limb longer than the longer range.
template <uint64_t Base>
Limbs rangeSum(const uint32_t* a, size_t na, const uint32_t* b, size_t nb) {
  Limbs r(std::max(na, nb) + 1, 0);
  std::copy(a, a + na, r.begin());
  addAt<Base>(r, b, nb, 0);
  return r;
}

// The product of two ranges as exactly na + nb limbs.
template <uint64_t Base>
Limbs multiplyRanges(const uint32_t* a, size_t na, const uint32_t* b, size_t nb) {
  if (na < nb) {
    std::swap(a, b);
    std::swap(na, nb);
  }
  Limbs r(na + nb, 0);
  if (nb == 0) return r;
  if (nb < kKaratsubaThreshold) {
    schoolbook<Base>(a, na, b, nb, r.data());
    return r;
  }
  if (na >= 2 * nb) {
    // Unbalanced: one balanced product per slice of the longer operand.
    for (size_t offset = 0; offset < na; offset += nb) {
      size_t len = std::min(nb, na - offset);
      Limbs piece = multiplyRanges<Base>(a + offset, len, b, nb);
      addAt<Base>(r, piece.data(), piece.size(), offset);
    }
    return r;
  }
  // Karatsuba: (a1 X + a0)(b1 X + b0) with X = Base^h; here nb > h.
  size_t h = na / 2;
  Limbs z0 = multiplyRanges<Base>(a, h, b, h);
  Limbs z2 = multiplyRanges<Base>(a + h, na - h, b + h, nb - h);
  Limbs sa = rangeSum<Base>(a, h, a + h, na - h);
  Limbs sb = rangeSum<Base>(b, h, b + h, nb - h);
  size_t la = sa.size(), lb = sb.size();
  while (la > 0 && sa[la - 1] == 0) la--;
  while (lb > 0 && sb[lb - 1] == 0) lb--;
  Limbs z1 = multiplyRanges<Base>(sa.data(), la, sb.data(), lb);
  subtractFrom<Base>(z1, z0);
  subtractFrom<Base>(z1, z2);
  std::copy(z0.begin(), z0.end(), r.begin());
  addAt<Base>(r, z2.data(), z2.size(), 2 * h);
  size_t n1 = z1.size();
  while (n1 > 0 && z1[n1 - 1] == 0) n1--;
  addAt<Base>(r, z1.data(), n1, h);
  return r;
}

}  // namespace

void normaliseLimbs(Limbs& a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
}

int compareLimbs(const Limbs& a, const Limbs& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

template <uint64_t Base>
Limbs addLimbs(const Limbs& a, const Limbs& b) {
  Limbs r = rangeSum<Base>(a.data(), a.size(), b.data(), b.size());
  normaliseLimbs(r);
  return r;
}

template <uint64_t Base>
Limbs subtractLimbs(const Limbs& a, const Limbs& b) {
  Limbs r = a;
  subtractFrom<Base>(r, b);
  normaliseLimbs(r);
  return r;
}

template <uint64_t Base>
Limbs multiplyLimbs(const Limbs& a, const Limbs& b) {
  if (a.empty() || b.empty()) return {};
  Limbs r = multiplyRanges<Base>(a.data(), a.size(), b.data(), b.size());
  normaliseLimbs(r);
  return r;
}

template <uint64_t Base>
void multiplyAddSmall(Limbs& a, uint64_t m, uint64_t add) {
  uint64_t carry = add;
  for (uint32_t& limb : a) {
    uint64_t t = limb * m + carry;
    limb = static_cast<uint32_t>(t % Base);
    carry = t / Base;
  }
  while (carry != 0) {
    a.push_back(static_cast<uint32_t>(carry % Base));
    carry /= Base;
  }
  normaliseLimbs(a);
}

template <uint64_t Base>
uint32_t divideLimbsSmall(Limbs& a, uint32_t d) {
  uint64_t rest = 0;
  for (size_t i = a.size(); i-- > 0;) {
    uint64_t t = rest * Base + a[i];
    a[i] = static_cast<uint32_t>(t / d);
    rest = t % d;
  }
  normaliseLimbs(a);
  return static_cast<uint32_t>(rest);
}

// Long division in the limb base: each quotient limb is estimated from the
// top two limbs of the running remainder against the top limb of the
// divisor, scaled first so that the estimate is off by at most two.
template <uint64_t Base>
void divideLimbs(const Limbs& a, const Limbs& b, Limbs& quotient, Limbs& remainder) {
  if (compareLimbs(a, b) < 0) {
    quotient.clear();
    remainder = a;
    return;
  }
  if (b.size() == 1) {
    quotient = a;
    uint32_t r = divideLimbsSmall<Base>(quotient, b[0]);
    remainder.clear();
    if (r != 0) remainder.push_back(r);
    return;
  }
  uint64_t scale = Base / (uint64_t{b.back()} + 1);
  Limbs un = a;
  multiplyAddSmall<Base>(un, scale, 0);
  un.resize(a.size() + 1, 0);
  Limbs vn = b;
  multiplyAddSmall<Base>(vn, scale, 0);
  size_t n = vn.size();
  size_t m = a.size() - n;
  quotient.assign(m + 1, 0);
  uint64_t vTop = vn[n - 1], vNext = vn[n - 2];
  for (size_t j = m + 1; j-- > 0;) {
    uint64_t num = uint64_t{un[j + n]} * Base + un[j + n - 1];
    uint64_t qhat = num / vTop;
    uint64_t rhat = num % vTop;
    while (qhat >= Base || u128{qhat} * vNext > u128{rhat} * Base + un[j + n - 2]) {
      qhat--;
      rhat += vTop;
      if (rhat >= Base) break;
    }
    uint64_t carry = 0;
    int64_t borrow = 0;
    for (size_t i = 0; i < n; i++) {
      uint64_t p = qhat * vn[i] + carry;
      carry = p / Base;
      int64_t t = int64_t{un[i + j]} - static_cast<int64_t>(p % Base) - borrow;
      borrow = t < 0;
      un[i + j] = static_cast<uint32_t>(t + borrow * static_cast<int64_t>(Base));
    }
    int64_t top = int64_t{un[j + n]} - static_cast<int64_t>(carry) - borrow;
    if (top < 0) {
      // The estimate was one too large: add the divisor back once.
      un[j + n] = static_cast<uint32_t>(top + static_cast<int64_t>(Base));
      qhat--;
      uint64_t c = 0;
      for (size_t i = 0; i < n; i++) {
        uint64_t s = uint64_t{un[i + j]} + vn[i] + c;
        c = s >= Base;
        un[i + j] = static_cast<uint32_t>(s - c * Base);
      }
      un[j + n] = static_cast<uint32_t>((un[j + n] + c) % Base);
    } else {
      un[j + n] = static_cast<uint32_t>(top);
    }
    quotient[j] = static_cast<uint32_t>(qhat);
  }
  normaliseLimbs(quotient);
  un.resize(n);
  normaliseLimbs(un);
  divideLimbsSmall<Base>(un, static_cast<uint32_t>(scale));
  remainder = std::move(un);
}

template <uint64_t Base>
Limbs powerLimbs(Limbs base, uint64_t exponent) {
  if (exponent == 0) return Limbs{1};
  if (base.empty()) return {};
  // Left to right, so that the multiplications by the base stay cheap.
  int top = 63 - __builtin_clzll(exponent);
  Limbs result = base;
  for (int bit = top - 1; bit >= 0; bit--) {
    result = multiplyLimbs<Base>(result, result);
    if ((exponent >> bit) & 1) result = multiplyLimbs<Base>(result, base);
  }
  return result;
}

#define QUORL_LIMB_BASE(B)                                                           \
  template Limbs addLimbs<B>(const Limbs&, const Limbs&);                            \
  template Limbs subtractLimbs<B>(const Limbs&, const Limbs&);                       \
  template Limbs multiplyLimbs<B>(const Limbs&, const Limbs&);                       \
  template void multiplyAddSmall<B>(Limbs&, uint64_t, uint64_t);                     \
  template uint32_t divideLimbsSmall<B>(Limbs&, uint32_t);                           \
  template void divideLimbs<B>(const Limbs&, const Limbs&, Limbs&, Limbs&);          \
  template Limbs powerLimbs<B>(Limbs, uint64_t);
QUORL_LIMB_BASE(kDecimalBase)
QUORL_LIMB_BASE(kBinaryBase)
#undef QUORL_LIMB_BASE

// --- decimal texts ----------------------------------------------------------

Limbs decimalLimbs(std::string_view digits) {
  Limbs r;
  r.reserve(digits.size() / kDecimalLimbDigits + 1);
  size_t end = digits.size();
  while (end > 0) {
    size_t start = end >= kDecimalLimbDigits ? end - kDecimalLimbDigits : 0;
    uint32_t limb = 0;
    for (size_t i = start; i < end; i++) limb = limb * 10 + static_cast<uint32_t>(digits[i] - '0');
    r.push_back(limb);
    end = start;
  }
  normaliseLimbs(r);
  return r;
}

void appendDecimalText(std::string& out, const Limbs& a) {
  if (a.empty()) {
    out.push_back('0');
    return;
  }
  char buffer[16];
  auto top = std::to_chars(buffer, buffer + sizeof buffer, a.back());
  size_t start = out.size();
  out.resize(start + static_cast<size_t>(top.ptr - buffer) + (a.size() - 1) * kDecimalLimbDigits);
  char* p = out.data() + start;
  p = std::copy(buffer, top.ptr, p);
  for (size_t i = a.size() - 1; i-- > 0;) {
    uint32_t limb = a[i];
    for (int k = kDecimalLimbDigits - 1; k >= 0; k--) {
      p[k] = static_cast<char>('0' + limb % 10);
      limb /= 10;
    }
    p += kDecimalLimbDigits;
  }
}

std::string decimalText(const Limbs& a) {
  std::string out;
  appendDecimalText(out, a);
  return out;
}

// --- radix conversion -----------------------------------------------------

namespace {

// (10^9)^(2^k) in binary limbs and (2^32)^(2^k) in decimal limbs, grown on
// demand and kept for the life of the process.
const Limbs& tenPower(size_t k) {
  static std::vector<Limbs> powers;
  if (powers.empty()) powers.push_back(Limbs{static_cast<uint32_t>(kDecimalBase)});
  while (powers.size() <= k) powers.push_back(multiplyLimbs<kBinaryBase>(powers.back(), powers.back()));
  return powers[k];
}

const Limbs& twoPower(size_t k) {
  static std::vector<Limbs> powers;
  if (powers.empty()) {
    Limbs first{1};
    multiplyAddSmall<kDecimalBase>(first, kBinaryBase, 0);
    powers.push_back(first);
  }
  while (powers.size() <= k) powers.push_back(multiplyLimbs<kDecimalBase>(powers.back(), powers.back()));
  return powers[k];
}

// Converts n limbs of base From into base To, where span[k] is From's
// (limb base)^(2^k) written in base To.
template <uint64_t FromBase, uint64_t To, const Limbs& (*Span)(size_t)>
Limbs convertRange(const uint32_t* p, size_t n) {
  if (n <= kConversionThreshold) {
    Limbs r;
    for (size_t i = n; i-- > 0;) multiplyAddSmall<To>(r, FromBase, p[i]);
    return r;
  }
  size_t k = 0;
  while ((size_t{2} << k) < n) k++;
  size_t half = size_t{1} << k;
  Limbs low = convertRange<FromBase, To, Span>(p, half);
  Limbs high = convertRange<FromBase, To, Span>(p + half, n - half);
  return addLimbs<To>(multiplyLimbs<To>(high, Span(k)), low);
}

}  // namespace

Limbs decimalToBinary(const Limbs& decimal) {
  return convertRange<kDecimalBase, kBinaryBase, tenPower>(decimal.data(), decimal.size());
}

Limbs binaryToDecimal(const Limbs& binary) {
  return convertRange<kBinaryBase, kDecimalBase, twoPower>(binary.data(), binary.size());
}

// --- binary limbs and bytes -------------------------------------------------

Limbs limbsFromBytes(std::string_view bytes) {
  Limbs r((bytes.size() + 3) / 4, 0);
  for (size_t i = 0; i < bytes.size(); i++)
    r[i / 4] |= uint32_t{static_cast<unsigned char>(bytes[i])} << (8 * (i % 4));
  normaliseLimbs(r);
  return r;
}

std::string bytesFromLimbs(const Limbs& a) {
  std::string out(a.size() * 4, '\0');
  for (size_t i = 0; i < out.size(); i++)
    out[i] = static_cast<char>((a[i / 4] >> (8 * (i % 4))) & 0xFF);
  while (!out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

uint64_t limbsBitLength(const Limbs& a) {
  if (a.empty()) return 0;
  return 32 * (a.size() - 1) + (32 - static_cast<uint64_t>(__builtin_clz(a.back())));
}

}  // namespace quorl::reference
