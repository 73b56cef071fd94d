#include "ui/logic/MessageLayout.h"

#include <algorithm>

namespace ui {

std::vector<std::string> messageLines(const char* text) {
    std::vector<std::string> lines;
    if (!text) return lines;
    const std::string all(text);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        if (end > start) lines.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

MessageLayout layoutMessage(const std::vector<int>& lineWidths, int lineHeight, int buttonWidth,
                            int buttonHeight) {
    int widest = 70;
    for (int w : lineWidths) widest = std::max(widest, w);
    MessageLayout l;
    l.width = widest + 109;
    l.height = lineHeight * static_cast<int>(lineWidths.size()) + 110;
    l.buttonX = (l.width - buttonWidth) / 2 + 16;
    l.buttonY = l.height - buttonHeight - 29;
    return l;
}

}  // namespace ui
