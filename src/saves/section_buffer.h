#pragma once

// std
#include <cstddef>
#include <thread>

namespace quillbox::saves {

// The buffer one section is read into in one piece and written from. On Linux
// a large one is mapped on huge pages, so that the read fills it without
// faulting in every 4 KiB page on its own, and another thread makes its pages
// ready from the far end while the read fills it from the near one; elsewhere
// it is a plain allocation.
class SectionBuffer {
public:
    // Throws std::bad_alloc when the memory cannot be had. The bytes are not
    // initialised.
    explicit SectionBuffer(std::size_t size);
    ~SectionBuffer();
    SectionBuffer(const SectionBuffer&) = delete;
    SectionBuffer& operator=(const SectionBuffer&) = delete;

    [[nodiscard]] char* data() { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // length of the mapping, 0 for an allocation
    std::thread preparing_;
};

}  // namespace quillbox::saves
