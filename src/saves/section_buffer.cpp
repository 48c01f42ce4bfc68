// own
#include "section_buffer.h"

// std
#include <cstdint>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quillbox::saves {

#ifdef __linux__
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Smaller sections gain nothing from huge pages.
constexpr std::size_t kMapFrom = 2 * kHugePage;

// A mapping of at least `size` bytes that starts on a huge-page boundary,
// or nullptr. Returns the mapping's length in `length`.
char* map_huge(std::size_t size, std::size_t& length)
{
    length = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* p = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    if (p == MAP_FAILED) {
        return nullptr;
    }
    // Trim to an aligned stretch, so that every page of it can be a huge one.
    char* const base = static_cast<char*>(p);
    const std::uintptr_t misalign = reinterpret_cast<std::uintptr_t>(base) % kHugePage;
    const std::size_t head = misalign == 0 ? 0 : kHugePage - misalign;
    if (head > 0) {
        munmap(base, head);
    }
    munmap(base + head + length, kHugePage - head);
    // Advice only: without transparent huge pages it is ignored.
    madvise(base + head, length, MADV_HUGEPAGE);
    return base + head;
}

}  // namespace
#endif

SectionBuffer::SectionBuffer(std::size_t size) : size_(size)
{
#ifdef __linux__
    if (size >= kMapFrom) {
        std::size_t length = 0;
        if (char* p = map_huge(size, length)) {
            data_ = p;
            mapped_ = length;
            return;
        }
    }
#endif
    data_ = new char[size];
}

SectionBuffer::~SectionBuffer()
{
#ifdef __linux__
    if (mapped()) {
        munmap(data_, mapped_);
        return;
    }
#endif
    delete[] data_;
}

// A fresh page is zeroed when first touched, and for a large buffer that is
// much of the read's time. Going backwards, this meets the read somewhere in
// the middle; it only asks for pages (the bytes are the read's alone), and
// pages the read has already touched cost it next to nothing.
void SectionBuffer::prepare()
{
#ifdef __linux__
    for (std::size_t end = mapped_; end > 0; end -= kHugePage) {
        if (madvise(data_ + end - kHugePage, kHugePage, MADV_POPULATE_WRITE) != 0) {
            return;  // a kernel without it: the read faults them in itself
        }
    }
#endif
}

}  // namespace quillbox::saves
