// The pictures the demo works on when it is given none: a test card with
// colour bars, grey and colour gradients and a fine-detail zone, a second
// picture to combine with it, and a soft round mask.
#ifndef RBDEMO_TEST_CARD_H
#define RBDEMO_TEST_CARD_H

#include <vector>

#include "rbhost/host.h"

namespace rbdemo {

constexpr int32_t kCardWidth = 320;
constexpr int32_t kCardHeight = 240;

// Colours of the test card, width × height, top row first.
std::vector<rbhost::Rgb> testCardPixels(int32_t width, int32_t height);
// A smooth radial blend: warm in the middle, cool at the edges.
std::vector<rbhost::Rgb> overlayPixels(int32_t width, int32_t height);
// Mask levels as grey colours: 255 in the middle fading to 0 at the edges.
std::vector<rbhost::Rgb> roundMaskPixels(int32_t width, int32_t height);

}  // namespace rbdemo

#endif
