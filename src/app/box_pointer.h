#pragma once

#include "app/platform.h"

namespace amb {

// Runs `showBox`, which shows a modal box, under the ordinary pointer: a box shown in
// the middle of a long command waits for the user, and the hourglass would say it
// does not. The hourglass comes back when the box closes, so the command stays
// marked busy. Every Platform's messageBox goes through it.
template <typename ShowBox> auto withOrdinaryPointer(Platform& platform, ShowBox&& showBox) {
    if (platform.mousePointer() != pointer::Hourglass)
        return showBox();
    platform.setMousePointer(pointer::Default);
    try {
        auto answer = showBox();
        platform.setMousePointer(pointer::Hourglass);
        return answer;
    } catch (...) {
        platform.setMousePointer(pointer::Hourglass);
        throw;
    }
}

} // namespace amb
