// Where the message dialog puts its text and button, in client pixels, for a
// measured text and button size. Portable arithmetic.
#pragma once

#include <cstdint>

struct MessageLayout {
    std::int32_t clientWidth;
    std::int32_t clientHeight;
    // The text rectangle, inclusive edges.
    std::int32_t textLeft, textTop, textRight, textBottom;
    std::int32_t buttonX, buttonY;
};

// Sizes are the measured extents plus one, as the dialog measures them.
// 12 pixels of margin on every side and between text and button.
MessageLayout ComputeMessageLayout(std::int32_t textWidth, std::int32_t textHeight, std::int32_t buttonWidth,
                                   std::int32_t buttonHeight);

// Top-left corner that centres a window on a screen; a screen size of 0 in
// either direction stands for 1024 x 768.
void CentreOnScreen(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t windowWidth,
                    std::int32_t windowHeight, std::int32_t& x, std::int32_t& y);
