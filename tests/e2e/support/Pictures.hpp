#pragma once

#include "Image.hpp"
#include "ProgramRun.hpp"

#include <chrono>

// How the tests judge what a window shows.
namespace e2e {

// The fountain is drawn around (x, y): grey-white points on black, the opaque ones near that
// point, and at least `opaqueAtLeast` of them.
bool fountainAround(const harness::Image& image, double x, double y, int opaqueAtLeast = 0);

// Waits, within the start-up bound, for a picture of a young fountain around (x, y).
bool fountainShownAround(ProgramOnDisplay& run, double x, double y);

// Waits until the fountain has stayed around (x, y) in every picture for a second and a half,
// at most `timeout`. Right after a change (a resize, a stall) particles born before it can
// still look right for a moment; a second and a half of births shows where they now start.
bool fountainSettlesAround(ProgramOnDisplay& run, double x, double y, std::chrono::milliseconds timeout = 20s);

// The red square, drawn over the blue one, keeps its 50 pixels whatever the window's size.
void expectSquaresUnstretched(ProgramOnDisplay& run);

// The program's picture, as its table entry describes it, for the window's present size.
void expectRightPicture(ProgramOnDisplay& run);

} // namespace e2e
