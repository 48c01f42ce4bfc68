// LZARI: LZSS whose literals, match lengths and match positions are sent
// through an arithmetic coder; lengths and literals share one adaptive model,
// positions have a fixed one.
//
// The decoder keeps value - low instead of value: both move together when the
// coder renormalises, so the number of doublings depends on low and high
// alone, is found from their bits, and the new input bits are taken in one
// piece. The adaptive model keeps its counts in a Fenwick tree, so finding a
// symbol and counting it take nine steps each, where a table of running
// totals takes up to 314.

// own
#include "coders.h"

// std
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace quillbox::archive {
namespace {

constexpr unsigned kRingSize = 4096;
constexpr unsigned kRingStart = 4096 - 60;  // where the encoder began writing its ring
constexpr std::size_t kLongest = 60;
constexpr unsigned kSymbols = 256 - 2 + kLongest;  // literals, then lengths 3 to 60
constexpr std::uint32_t kQ1 = 1U << 15;
constexpr std::uint32_t kQ2 = 2 * kQ1;
constexpr std::uint32_t kQ3 = 3 * kQ1;
constexpr std::uint32_t kQ4 = 4 * kQ1;
constexpr std::uint32_t kMaxTotal = kQ1 - 1;
constexpr unsigned kLookahead = 17;  // the bits the coder holds
// A real stream ends a few bits past its last symbol; more unread input than
// this is a stream that goes on.
constexpr std::uint64_t kTrailingBits = 64;

// The fixed model of match positions: nearer ones weigh more.
constexpr std::array<std::uint32_t, kRingSize + 1> kPositionCum = [] {
    std::array<std::uint32_t, kRingSize + 1> cum{};
    for (unsigned i = kRingSize; i > 0; --i) {
        cum[i - 1] = cum[i] + 10000 / (i + 200);
    }
    return cum;
}();
constexpr std::uint32_t kPositionTotal = kPositionCum[0];
static_assert(kPositionTotal == 28568);

// The position whose interval holds each target, instead of a search.
constexpr std::array<std::uint16_t, kPositionTotal> kPositionOf = [] {
    std::array<std::uint16_t, kPositionTotal> of{};
    for (unsigned p = 0; p < kRingSize; ++p) {
        std::fill(of.begin() + kPositionCum[p + 1], of.begin() + kPositionCum[p],
                  static_cast<std::uint16_t>(p));
    }
    return of;
}();

// Input bits, most significant first; past the end, zeros.
class BitInput {
public:
    explicit BitInput(std::span<const std::uint8_t> in) : in_(in) {}

    // The next k bits (k <= 32) as a number.
    std::uint32_t take(unsigned k)
    {
        const std::size_t at = static_cast<std::size_t>(pos_ >> 3);
        std::uint64_t w = 0;
        if (at + 8 <= in_.size()) {
            std::memcpy(&w, in_.data() + at, 8);
            if constexpr (std::endian::native == std::endian::little) {
                w = __builtin_bswap64(w);
            }
        } else {
            for (std::size_t i = at; i < at + 8; ++i) {
                w = (w << 8) | (i < in_.size() ? in_[i] : 0U);
            }
        }
        w <<= pos_ & 7;
        pos_ += k;
        return static_cast<std::uint32_t>((w >> 1) >> (63 - k));  // no shift by 64 for k = 0
    }

    [[nodiscard]] std::uint64_t taken() const { return pos_; }

private:
    std::span<const std::uint8_t> in_;
    std::uint64_t pos_ = 0;
};

class Decoder {
public:
    explicit Decoder(std::span<const std::uint8_t> in) : bits_(in)
    {
        for (unsigned s = 1; s <= kSymbols; ++s) {
            sym2char_[s] = static_cast<std::uint16_t>(s - 1);
            freq_[s] = 1;
        }
        rebuild();
        d_ = bits_.take(kLookahead);
    }

    // A byte (0-255) or a match length + 253.
    unsigned symbol()
    {
        const std::uint32_t range = high_ - low_;
        const std::uint32_t x = ((d_ + 1) * total_ - 1) / range;
        // The symbol s whose interval holds x is the first whose prefix sum
        // of frequencies reaches total - x; the descent also gives the sum before it.
        const std::uint32_t target = total_ - x;
        unsigned s = 0;
        std::uint32_t before = 0;
        for (unsigned step = kTreeSize / 2; step != 0; step >>= 1) {
            const std::uint32_t next = before + tree_[s + step];
            const bool below = next < target;
            s += below ? step : 0;
            before = below ? next : before;
        }
        s = std::min(s + 1, kSymbols);  // always so while value stays inside the range
        const std::uint32_t above = total_ - before;  // the cumulative count up to s - 1
        narrow(range * above / total_, range * (above - freq_[s]) / total_);
        const unsigned c = sym2char_[s];
        update(s);
        return c;
    }

    // A match's distance back, less one (0-4095).
    unsigned position()
    {
        const std::uint32_t range = high_ - low_;
        const std::uint32_t x =
            std::min(((d_ + 1) * kPositionTotal - 1) / range, kPositionTotal - 1);
        const unsigned p = kPositionOf[x];
        narrow(range * kPositionCum[p] / kPositionTotal,
               range * kPositionCum[p + 1] / kPositionTotal);
        return p;
    }

    [[nodiscard]] std::uint64_t bits_taken() const { return bits_.taken(); }

private:
    // A Fenwick tree over the frequencies; the entries past the symbols
    // weigh more than any total, so that the descent never enters them.
    static constexpr unsigned kTreeSize = 512;
    static constexpr std::uint32_t kNever = 1U << 24;

    void rebuild()
    {
        total_ = 0;
        for (unsigned i = 1; i < kTreeSize; ++i) {
            tree_[i] = i <= kSymbols ? freq_[i] : kNever;
            total_ += i <= kSymbols ? freq_[i] : 0U;
        }
        for (unsigned i = 1; i < kTreeSize; ++i) {
            const unsigned parent = i + (i & (0U - i));
            if (parent < kTreeSize) {
                tree_[parent] += tree_[i];
            }
        }
    }

    // Narrows the coder to [low + bottom, low + top) and doubles it until it
    // is wider than a quarter: first while both ends lie in one half (their
    // equal leading bits), then while they straddle the middle closely.
    void narrow(std::uint32_t top, std::uint32_t bottom)
    {
        std::uint32_t lo = low_ + bottom;
        std::uint32_t hi = low_ + top - 1;  // inclusive
        d_ -= bottom;
        unsigned doublings =
            std::min(static_cast<unsigned>(std::countl_zero((lo ^ hi) << 15)), 17U);
        lo = (lo << doublings) & (kQ4 - 1);
        hi = ((hi << doublings) | ((1U << doublings) - 1)) & (kQ4 - 1);
        while (lo >= kQ1 && hi < kQ3) {
            lo = 2 * (lo - kQ1);
            hi = 2 * (hi - kQ1) + 1;
            ++doublings;
        }
        low_ = lo;
        high_ = hi + 1;
        d_ = (d_ << doublings) | bits_.take(doublings);
    }

    // Counts s, keeping the frequencies sorted: s first trades places with
    // the first symbol of its frequency.
    void update(unsigned s)
    {
        if (total_ >= kMaxTotal) {
            for (unsigned i = 1; i <= kSymbols; ++i) {
                freq_[i] = static_cast<std::uint16_t>((freq_[i] + 1) / 2);
            }
            rebuild();
        }
        unsigned i = s;
        while (freq_[i] == freq_[i - 1]) {
            --i;
        }
        if (i < s) {
            std::swap(sym2char_[i], sym2char_[s]);
        }
        ++freq_[i];
        ++total_;
        for (; i < kTreeSize; i += i & (0U - i)) {
            ++tree_[i];
        }
    }

    BitInput bits_;
    std::uint32_t low_ = 0;
    std::uint32_t high_ = kQ4;
    std::uint32_t d_ = 0;  // value - low, always below high - low
    std::uint32_t total_ = 0;
    std::array<std::uint32_t, kTreeSize> tree_{};
    std::array<std::uint16_t, kSymbols + 1> freq_{};  // freq_[0] = 0 ends the tie scan
    std::array<std::uint16_t, kSymbols + 1> sym2char_{};
};

}  // namespace

Decoded lzari_decode(std::span<const std::uint8_t> in, std::size_t size,
                     std::vector<std::uint8_t>& out)
{
    out.assign(std::min<std::size_t>(size, 1U << 16), 0);
    Decoder decoder(in);
    const std::uint64_t bits = std::uint64_t{in.size()} * 8;
    std::size_t n = 0;
    while (n < size) {
        if (out.size() - n < kLongest && out.size() < size) {
            out.resize(std::min(size, out.size() * 2));
        }
        std::uint8_t* o = out.data();
        const unsigned c = decoder.symbol();
        if (c < 256) {
            o[n++] = static_cast<std::uint8_t>(c);
        } else {
            const std::size_t distance = decoder.position() + 1;
            const std::size_t length = std::min<std::size_t>(c - 253, size - n);
            if (distance <= n) {
                // Byte by byte: a match may overlap the bytes it writes.
                const std::uint8_t* from = o + n - distance;
                for (std::size_t k = 0; k < length; ++k) {
                    o[n + k] = from[k];
                }
            } else {
                // Before the first byte lies the ring as the encoder filled it.
                for (std::size_t k = 0; k < length; ++k) {
                    o[n + k] = n + k >= distance                ? o[n + k - distance]
                               : distance - n - k <= kRingStart ? std::uint8_t{0x20}
                                                                : std::uint8_t{0};
                }
            }
            n += length;
        }
        if (decoder.bits_taken() > bits + kLookahead) {
            return Decoded::ends_early;
        }
    }
    return decoder.bits_taken() + kTrailingBits < bits ? Decoded::runs_long : Decoded::exact;
}

}  // namespace quillbox::archive
