#pragma once
// Reads a screenshot of the workstation by content: where the 3D views'
// background lies, what is drawn on it, and where the time line's curve is.

#include <QImage>
#include <QRect>
#include <vector>

namespace kestrava::test {

// The column runs in which at least a third of the pixels have Colour
// exactly, left to right, each as the bounding box of those pixels; runs
// narrower than MinWidth are left out.
std::vector<QRect> ColourRegions(const QImage& Image, QRgb Colour, int MinWidth);

// Pixels in Box that are grey (channels within 24 of each other) and neither
// near black nor near white: the lit endoscope tube.
int GreyPixels(const QImage& Image, const QRect& Box);

// The widest band of rows below Top whose pixels are mostly black, as a box
// over its black columns (the time line's background); empty when none.
QRect BlackBand(const QImage& Image, int Top);

// Near-white pixels inside Box.
int WhitePixels(const QImage& Image, const QRect& Box);

} // namespace kestrava::test
