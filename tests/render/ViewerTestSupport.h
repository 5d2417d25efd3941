#pragma once
// A viewer core on an off-screen window and small scenes to draw with it.

#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"
#include "scene/Graphics3DFrame.h"

#include <QImage>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace kestrava::testing {

// A mesh of Count triangles side by side across the middle of the initial
// camera's view (z = -1), each facing the eye.
inline TGraphics3DMesh& AddTriangles(TGraphics3DFrame& Frame, int Count,
                                     std::uint32_t Colour = 0xFFFFFF) {
  TGraphics3DMesh& Mesh = Frame.AddMesh();
  Mesh.SetVertexCount(3 * Count);
  Mesh.SetFaceCount(Count);
  for (int I = 0; I < Count; ++I) {
    const double X = -0.9 + 1.8 * I / Count, W = 1.8 / Count;
    const auto V = 3 * static_cast<std::size_t>(I);
    Mesh.Vertices()[V] = MakeVertex({X, -0.5, -1}, {0, 0, 1}, {0, 0});
    Mesh.Vertices()[V + 1] = MakeVertex({X + W, -0.5, -1}, {0, 0, 1}, {1, 0});
    Mesh.Vertices()[V + 2] = MakeVertex({X + W / 2, 0.5, -1}, {0, 0, 1}, {0.5, 1});
    const auto A = static_cast<std::uint16_t>(V);
    Mesh.Faces()[static_cast<std::size_t>(I)] = MakeFace(A, A + 2, A + 1);
  }
  Mesh.Colour = Colour;
  Mesh.Ambient = 1;
  return Mesh;
}

// The text of the E that Call raises; "no error" when it raises none.
template <class E, class F> std::string ErrorText(F Call) {
  try {
    Call();
  } catch (const E& Error) {
    return Error.what();
  }
  return "no error";
}

class TViewerTest : public ::testing::Test {
protected:
  explicit TViewerTest(std::int32_t Width = 64, std::int32_t Height = 48,
                       const TDirectDrawOptions& Options = {})
      : Window(Width, Height, 0x00FF00FF),
        Viewer(std::make_unique<TDirect3DViewerCore>(Window, Options)) {
    Viewer->SetProjectionType(ProjectionParallel);
  }

  // Paints once with Draw as the application's drawing.
  template <class F> void PaintWith(F Draw) {
    Viewer->OnDraw = [&](TDirect3DViewerCore& Sender) {
      Draw(Sender);
    };
    Viewer->Paint();
    Viewer->OnDraw = nullptr;
  }

  // The presented picture's pixel as 0x00RRGGBB.
  std::uint32_t PixelAt(int X, int Y) const { return Window.Picture().pixel(X, Y) & 0xFFFFFFu; }

  TOffscreenViewerWindow Window;
  std::unique_ptr<TDirect3DViewerCore> Viewer;
  TGraphics3DScene Scene;
  TGraphics3DFrame Root;
};

} // namespace kestrava::testing
