// own
#include "save_state.h"

namespace quillbox::saves {

std::size_t SaveState::selected_slot() const
{
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        if (slots[i].selected) {
            return i;
        }
    }
    return kSlotCount;
}

void SaveState::select(std::size_t i)
{
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        slots[k].selected = k == i;
    }
}

}  // namespace quillbox::saves
