#pragma once

// std
#include <cstddef>

namespace quillbox::saves {

// The buffer one section is read into in one piece and written from. On Linux
// a large one is mapped on huge pages, so that the read fills it without
// faulting in every 4 KiB page on its own; elsewhere it is a plain allocation.
class SectionBuffer {
public:
    // Throws std::bad_alloc when the memory cannot be had. The bytes are not
    // initialised.
    explicit SectionBuffer(std::size_t size);
    ~SectionBuffer();
    SectionBuffer(const SectionBuffer&) = delete;
    SectionBuffer& operator=(const SectionBuffer&) = delete;

    // Makes the pages of a mapped buffer ready from the far end, for another
    // thread to call while a read fills the buffer from the near one; once
    // they meet, the pages left are already there and cost next to nothing.
    // Returns at once for a plain allocation.
    void prepare();

    // Whether it is mapped apart from the heap, as a large one is on Linux.
    [[nodiscard]] bool mapped() const { return mapped_ != 0; }
    [[nodiscard]] char* data() { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // length of the mapping, 0 for an allocation
};

}  // namespace quillbox::saves
