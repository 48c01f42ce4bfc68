#pragma once

// The stream coders behind MAX and CodeBreaker saves, open to the
// benchmarks and tests.

// std
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillbox::archive {

// How a stream met its declared size.
enum class Decoded {
    exact,       // it gave exactly the declared size, and ended there
    ends_early,  // its input ran out first
    runs_long,   // it goes on past the declared size
    corrupt,     // it is not a stream of its kind
};

// LZARI (4096-byte ring, matches of 3 to 60, 15-bit coder) as Action Replay
// MAX writes it: decodes `in` into `out`, which gets `size` bytes; `out` grows
// as it is filled, so that a stream that ends early costs no more than its
// length.
Decoded lzari_decode(std::span<const std::uint8_t> in, std::size_t size,
                     std::vector<std::uint8_t>& out);

// zlib (with its header and Adler-32), filling `out` as lzari_decode does.
Decoded zlib_inflate(std::span<const std::uint8_t> in, std::size_t size,
                     std::vector<std::uint8_t>& out);

// CodeBreaker's RC4, started from its fixed state table: encrypts and
// decrypts alike, in place.
void codebreaker_crypt(std::span<std::uint8_t> bytes);

}  // namespace quillbox::archive
