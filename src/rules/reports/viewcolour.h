#pragma once

namespace tama {

// Colours of the views' texts and drawings, independent of any window library.
enum class ViewColour {
    Black,
    Red,    // losses, recovery rates below 100
    Blue,   // gains
    Navy,   // running profit
    Brown,  // running investment
    Yellow, // running cash-out
};

// 0xRRGGBB.
constexpr int rgb(ViewColour c) {
    switch (c) {
    case ViewColour::Black:
        return 0x000000;
    case ViewColour::Red:
        return 0xFF0000;
    case ViewColour::Blue:
        return 0x0000FF;
    case ViewColour::Navy:
        return 0x000080;
    case ViewColour::Brown:
        return 0xC04000;
    case ViewColour::Yellow:
        return 0xFFFF00;
    }
    return 0;
}

} // namespace tama
