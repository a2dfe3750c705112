#include "keys.h"

#include <algorithm>
#include <numeric>

namespace engine {

KeyOutcome applyKey(const KeyPress &key, const std::vector<ButtonState> &buttons)
{
    const bool plain = !key.alt && !key.control && !key.shift;
    auto first = [&](auto test) {
        for (size_t i = 0; i < buttons.size(); ++i) {
            if (buttons[i].usable && test(buttons[i]))
                return int(i);
        }
        return -1;
    };
    KeyOutcome outcome;
    switch (key.kind) {
    case KeyPress::Enter:
        if (!plain)
            break;
        outcome.consumed = true;
        if (key.repeated)
            break;
        outcome.press = first([](const ButtonState &b) { return b.focused; });
        if (outcome.press < 0)
            outcome.press = first([](const ButtonState &b) { return b.isDefault; });
        break;
    case KeyPress::Escape:
        if (!plain)
            break;
        outcome.consumed = true;
        if (!key.repeated)
            outcome.press = first([](const ButtonState &b) { return b.isCancel; });
        break;
    case KeyPress::Letter:
        if (!key.alt || key.control || key.shift)
            break;
        if (key.repeated) {
            outcome.consumed = true;
            break;
        }
        {
            const int found = first([&](const ButtonState &b) { return accessKey(b.caption) == key.letter; });
            if (found < 0)
                break;
            outcome.consumed = true;
            outcome.press = found;
            outcome.focusFirst = true;
        }
        break;
    case KeyPress::Tab: {
        if (key.alt || key.control)
            break;
        outcome.consumed = true;
        const std::vector<int> order = tabOrder(buttons);
        const int count = int(order.size());
        int at = -1;
        for (int i = 0; i < count; ++i) {
            if (buttons[order[i]].focused)
                at = i;
        }
        for (int step = 1; step <= count; ++step) {
            const int from = at < 0 ? (key.shift ? 0 : -1) : at;
            const int next = order[((from + (key.shift ? -step : step)) % count + count) % count];
            if (buttons[next].usable) {
                outcome.focus = next;
                break;
            }
        }
        break;
    }
    default:
        break;
    }
    return outcome;
}

std::vector<int> tabOrder(const std::vector<ButtonState> &buttons)
{
    std::vector<int> order(buttons.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return buttons[a].tabIndex < buttons[b].tabIndex; });
    return order;
}

int initialFocus(const std::vector<ButtonState> &buttons)
{
    for (int i : tabOrder(buttons)) {
        if (buttons[i].usable)
            return i;
    }
    return -1;
}

char accessKey(const std::string &caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        const char next = caption[i + 1];
        if (next == '&') {
            ++i;
            continue;
        }
        if (next >= 'a' && next <= 'z')
            return char(next - 'a' + 'A');
        if ((next >= 'A' && next <= 'Z') || (next >= '0' && next <= '9'))
            return next;
        return 0;
    }
    return 0;
}

std::string withoutAccessMarks(const std::string &caption)
{
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i; // "&&" stands for one "&"; "&Y" for "Y"
        text += caption[i];
    }
    return text;
}

} // namespace engine
