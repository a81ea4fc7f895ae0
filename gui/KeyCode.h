#pragma once
// A key as the host reports it to the editor: character, virtual key code, modifier bits.

#include <cstdint>

namespace qm {

struct KeyCode {
    std::int32_t character = 0;
    std::uint8_t virt = 0;
    std::uint8_t modifier = 0;
};

// Virtual keys the sliders take, and the Shift modifier bit.
enum : std::uint8_t { VKEY_LEFT = 11, VKEY_UP = 12, VKEY_RIGHT = 13, VKEY_DOWN = 14 };
enum : std::uint8_t { MODIFIER_SHIFT = 1 };

// What a drop carries: file paths or one text.
using DropKind = std::int32_t;
enum : DropKind { DropFiles = 0, DropText = 1 };

}  // namespace qm
