#include "ui/MessageLayout.h"

#include <algorithm>

MessageLayout ComputeMessageLayout(std::int32_t textWidth, std::int32_t textHeight, std::int32_t buttonWidth,
                                   std::int32_t buttonHeight)
{
    MessageLayout layout{};
    layout.clientWidth = std::max(textWidth + 24, buttonWidth + 24);
    layout.clientHeight = std::max(buttonHeight + textHeight + 36, buttonHeight + 24);
    layout.textLeft = 12;
    layout.textTop = (layout.clientHeight - textHeight - buttonHeight - 12) / 2;
    layout.textRight = 12 + textWidth - 1;
    layout.textBottom = layout.textTop + textHeight - 1;
    layout.buttonX = (layout.clientWidth - buttonWidth) / 2;
    layout.buttonY = layout.clientHeight - buttonHeight - 12;
    return layout;
}

void CentreOnScreen(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t windowWidth,
                    std::int32_t windowHeight, std::int32_t& x, std::int32_t& y)
{
    if (screenWidth == 0 || screenHeight == 0) {
        screenWidth = 1024;
        screenHeight = 768;
    }
    x = (screenWidth - windowWidth - 1) / 2;
    y = (screenHeight - windowHeight - 1) / 2;
}
