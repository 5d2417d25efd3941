#pragma once
// A picture the application hands to a viewer, either as a mesh texture or
// to be drawn with DrawImage. The scene stays free of any GUI toolkit: the
// picture is a plain pixel buffer of our own.
//
// Ownership: the image does not own its bitmap; whoever made the image keeps
// the bitmap alive for as long as a viewer may use the image, and bumps
// ChangeCounter whenever the pixels change so that viewers refresh their
// cached surfaces. Thread: user-interface thread only.

#include <cstdint>
#include <vector>

namespace kestrava {

// Width x Height pixels, rows from the top, each pixel a 0x00BBGGRR colour
// like every colour of the program.
class TTextureBitmap {
public:
  TTextureBitmap() = default;
  // Negative sizes count as 0.
  TTextureBitmap(std::int32_t Width, std::int32_t Height, std::uint32_t Fill = 0)
      : Width_(Width > 0 && Height > 0 ? Width : 0), Height_(Width > 0 && Height > 0 ? Height : 0),
        Pixels_(static_cast<std::size_t>(Width_) * static_cast<std::size_t>(Height_), Fill) {}

  std::int32_t Width() const { return Width_; }
  std::int32_t Height() const { return Height_; }
  // 0 <= X < Width, 0 <= Y < Height (not checked).
  std::uint32_t Pixel(std::int32_t X, std::int32_t Y) const { return Pixels_[Offset(X, Y)]; }
  void SetPixel(std::int32_t X, std::int32_t Y, std::uint32_t Colour) {
    Pixels_[Offset(X, Y)] = Colour;
  }
  const std::vector<std::uint32_t>& Pixels() const { return Pixels_; }

private:
  std::size_t Offset(std::int32_t X, std::int32_t Y) const {
    return static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width_) +
           static_cast<std::size_t>(X);
  }

  std::int32_t Width_ = 0;
  std::int32_t Height_ = 0;
  std::vector<std::uint32_t> Pixels_;
};

inline constexpr std::int32_t GraphicTypeBitmap = 1;

class TTextureImage {
public:
  const TTextureBitmap* Graphic = nullptr; // not owned; usable only when GraphicType is 1
  std::int32_t GraphicType = 0;            // 1 = a bitmap, anything else = no usable picture
  bool Transparent = false;                // pixels of TransparentColour are not drawn
  std::uint32_t TransparentColour = 0;     // 0x00BBGGRR
  std::uint32_t ChangeCounter = 0;
};

// The picture's size in pixels; 0 unless the image holds a usable bitmap.
inline std::int32_t ImageWidth(const TTextureImage& Image) {
  return Image.GraphicType == GraphicTypeBitmap && Image.Graphic ? Image.Graphic->Width() : 0;
}
inline std::int32_t ImageHeight(const TTextureImage& Image) {
  return Image.GraphicType == GraphicTypeBitmap && Image.Graphic ? Image.Graphic->Height() : 0;
}

} // namespace kestrava
