// Pointer feedback: the hand over push buttons, the ordinary pointer over lists,
// the frame and the background; the hourglass of a running command always stays.
#include "app/form1.h"

namespace amb {

namespace {
void setUnlessBusy(Platform& platform, int code) {
    if (platform.mousePointer() != pointer::Hourglass)
        platform.setMousePointer(code);
}
} // namespace

void Form1::PushButton_MouseMove() {
    setUnlessBusy(platform_, pointer::Custom);
}
void Form1::Form_MouseMove() {
    setUnlessBusy(platform_, pointer::Default);
}
void Form1::Frame1_MouseMove() {
    setUnlessBusy(platform_, pointer::Default);
}
void Form1::ListView1_MouseMove() {
    setUnlessBusy(platform_, pointer::Default);
}
void Form1::ListView2_MouseMove() {
    setUnlessBusy(platform_, pointer::Default);
}
void Form1::ListView3_MouseMove() {
    setUnlessBusy(platform_, pointer::Default);
}

} // namespace amb
