// The viewer core's device life cycle, painting, presenting, clearing and
// scene drawing, on the software device behind an off-screen window.

#include "FaultInjectingDevice.h"
#include "ViewerTestSupport.h"
#include "render/DirectXErrors.h"
#include "render/OpenGLRenderer.h"
#include "scene/Graphics3DError.h"

namespace kestrava::testing {
namespace {

using ViewerLifeCycle = TViewerTest;

TEST_F(ViewerLifeCycle, FirstPaintBuildsTheDeviceFiresOnDrawAndPresents) {
  int Draws = 0;
  PaintWith([&](TDirect3DViewerCore& Sender) {
    ++Draws;
    EXPECT_TRUE(Sender.Initialised());
    Sender.Clear(0x000000FF, false); // red: 255/256 of full
  });
  EXPECT_EQ(Draws, 1);
  EXPECT_EQ(std::pair(Viewer->SurfaceWidth(), Viewer->SurfaceHeight()), std::pair(64, 48));
  EXPECT_TRUE(Viewer->HasDepthBuffer());
  EXPECT_EQ(Window.PresentCount(), 1);
  EXPECT_EQ(PixelAt(0, 0), 0xFE0000u);
  EXPECT_EQ(PixelAt(63, 47), 0xFE0000u);
}

TEST_F(ViewerLifeCycle, ACanvasLeftHeldOrAFailedDrawingDoesNotLockTheNextPaints) {
  EXPECT_THROW(PaintWith([](TDirect3DViewerCore& Sender) {
                 ASSERT_NE(Sender.BackSurfaceCanvas()->Painter(), nullptr);
                 throw Exception("drawing failed");
               }),
               Exception);
  PaintWith([](TDirect3DViewerCore& Sender) {
    Sender.Clear(0x000000FF, false);
    Sender.BackSurfaceCanvas()->Painter(); // and never given back
  });
  EXPECT_EQ(PixelAt(3, 3), 0xFE0000u);
  EXPECT_NO_THROW(Viewer->Paint());
  EXPECT_FALSE(Viewer->BackSurfaceCanvas()->HoldsPainter());
}

TEST_F(ViewerLifeCycle, ZeroSizedControlGetsOneByOneSurfacesAndPresentsNothing) {
  Window.SetSize(0, 0);
  Viewer->BoundsChanged();
  AddTriangles(Root, 1);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Clear(0, false);
    Sender.Render(Scene, Root);
  });
  EXPECT_TRUE(Viewer->Initialised());
  EXPECT_EQ(std::pair(Viewer->SurfaceWidth(), Viewer->SurfaceHeight()), std::pair(1, 1));
  EXPECT_EQ(Window.PresentCount(), 0);
  EXPECT_EQ(Viewer->Device()->Statistics().TrianglesSubmitted, 0);
}

TEST_F(ViewerLifeCycle, GrowingRebuildsOnTheNextPaintButPresentingBeforeThatRaises) {
  Viewer->Paint();
  Window.SetSize(128, 96); // the window grew but nobody told the viewer yet
  EXPECT_EQ(ErrorText<EDirectX>([&] { Viewer->Present(); }), WindowTooLargeText);
  Viewer->BoundsChanged();
  EXPECT_FALSE(Viewer->Initialised());
  PaintWith([](TDirect3DViewerCore& Sender) { Sender.Clear(0x00FF0000, false); });
  EXPECT_EQ(std::pair(Viewer->SurfaceWidth(), Viewer->SurfaceHeight()), std::pair(128, 96));
  EXPECT_EQ(PixelAt(127, 95), 0x0000FEu);
}

TEST_F(ViewerLifeCycle, LostSurfacesSkipPresentingAndTheNextPaintRestoresThem) {
  Viewer->Paint();
  const int Presented = Window.PresentCount();
  LoseAllSurfaces(*Viewer->DirectDraw());
  Viewer->Present();
  EXPECT_EQ(Window.PresentCount(), Presented);
  PaintWith([](TDirect3DViewerCore& Sender) { Sender.Clear(0x0000FF00, false); });
  EXPECT_EQ(Window.PresentCount(), Presented + 1);
  EXPECT_EQ(Viewer->BackSurface()->IsLost(), 0);
  EXPECT_EQ(PixelAt(10, 10), 0x00FE00u);
}

// An OpenGL drawing on the processor is no hardware device: the hardware
// wish finds none, our software device draws and the wish is given up. A
// graphics card's is chosen (here it may then fail to start, without a
// display).
TEST(ViewerOnSoftwareOpenGL, DrawsWithOurSoftwareDeviceAndSaysWhyNotTheHardwareOne) {
  for (const char* Renderer : {"llvmpipe (LLVM 15.0.6, 256 bits)", "AMD Radeon RX 6600"}) {
    TOffscreenViewerWindow Window(16, 16);
    TDirect3DViewerCore Viewer(Window, {.OpenGLRenderer = [Renderer] {
                                 return TOpenGLRenderer{true, Renderer, ""};
                               }});
    Viewer.SetUseDirect3DHardware(true);
    Viewer.Paint();
    const bool Software = IsSoftwareRenderer(Renderer);
    EXPECT_EQ(Viewer.HardwareFailure() == NoSuitableDriverText, Software) << Renderer;
    if (Software) {
      EXPECT_EQ(Viewer.DeviceName(), SoftwareDeviceDescription);
      EXPECT_FALSE(Viewer.UseDirect3DHardware());
      // Asking for hardware again drops the device until the next paint.
      Viewer.SetUseDirect3DHardware(true);
      EXPECT_FALSE(Viewer.Initialised());
    }
  }
}

class ViewerWithoutSoftwareDevice : public TViewerTest {
protected:
  // No device renders at 8 bits per pixel.
  ViewerWithoutSoftwareDevice() : TViewerTest(32, 32, {.DisplayBitsPerPixel = 8}) {}
};

TEST_F(ViewerWithoutSoftwareDevice, ShowsItsColourAtEveryPaintAndNeverDraws) {
  int Draws = 0;
  for (int Paint = 0; Paint < 2; ++Paint)
    EXPECT_NO_THROW(PaintWith([&](TDirect3DViewerCore&) { ++Draws; }));
  EXPECT_EQ(Draws, 0);
  EXPECT_EQ(Window.FillCount(), 2);
  EXPECT_FALSE(Viewer->Initialised());
  EXPECT_EQ(Viewer->BackSurfaceCanvas(), nullptr);
}

TEST_F(ViewerWithoutSoftwareDevice, FailedHardwareThenSoftwareAttemptReachesTheCaller) {
  Viewer->SetUseDirect3DHardware(true);
  EXPECT_EQ(ErrorText<EDirectX>([&] { Viewer->Paint(); }), NoSuitableDriverText);
  EXPECT_FALSE(Viewer->UseDirect3DHardware());
  EXPECT_NO_THROW(Viewer->Paint()); // now a software-only failure: swallowed
}

TEST(ViewerOldDirectX, RaisesNeedVersion6AndKeepsNothing) {
  TOffscreenViewerWindow Window(16, 16);
  TDirect3DViewerCore Viewer(Window, {.OfferVersion6 = false});
  EXPECT_THROW(Viewer.InitialiseDevice(), EDirectX_NeedVersion6);
  EXPECT_FALSE(Viewer.Initialised());
  EXPECT_EQ(Viewer.DirectDraw(), nullptr);
}

using ViewerDrawing = TViewerTest;

// Its devices can be told to refuse scene begins or to be still drawing.
class ViewerRetries : public TViewerTest {
protected:
  ViewerRetries() : TViewerTest(64, 48, {.WrapDevice = testing::TFaultInjectingDevice::Wrap}) {}
  static testing::TFaultInjectingDevice& Faults(TDirect3DViewerCore& Viewer) {
    return *testing::TFaultInjectingDevice::Of(Viewer.Device());
  }
};

TEST_F(ViewerDrawing, ChildrenFirstHiddenSubtreesSkippedAndAnEmptyMeshEndsTheList) {
  AddTriangles(Root, 2);
  Root.AddMesh(); // no vertices: nothing after it in this frame is drawn
  AddTriangles(Root, 4);
  TGraphics3DFrame& Shown = Root.AddFrame();
  AddTriangles(Shown, 8);
  TGraphics3DFrame& Hidden = Root.AddFrame();
  Hidden.Visible = false;
  AddTriangles(Hidden.AddFrame(), 16);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Clear(0, false);
    Sender.Device()->ResetStatistics();
    Sender.Render(Scene, Root);
    EXPECT_EQ(Sender.Device()->Statistics().TrianglesSubmitted, 2 + 8);
  });
  EXPECT_GE(Viewer->GetLastRenderTime(), 0.0);
  EXPECT_EQ(PixelAt(18, 27), 0xFFFFFFu); // ambient 1 on white: full grey
}

TEST_F(ViewerRetries, RefusedSceneBeginIsAskedAgainUpToItsBound) {
  AddTriangles(Root, 1);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Faults(Sender).RefuseBeginScenes(3);
    Sender.Render(Scene, Root);
    EXPECT_EQ(Sender.Device()->Statistics().TrianglesSubmitted, 1);

    Faults(Sender).RefuseBeginScenes(MaxBeginSceneAttempts);
    EXPECT_NE(
        ErrorText<EDirectX>([&] { Sender.Render(Scene, Root); }).find("D3DERR_SCENE_BEGIN_FAILED"),
        std::string::npos);
    EXPECT_NO_THROW(Sender.Render(Scene, Root)); // no scene was left open
  });
}

TEST_F(ViewerRetries, StillDrawingAnswersAreRepeatedUntilTheMeshIsTaken) {
  AddTriangles(Root, 2);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Faults(Sender).AnswerStillDrawing(5);
    Sender.Render(Scene, Root);
    EXPECT_EQ(Sender.Device()->Statistics().TrianglesSubmitted, 2);
  });
}

TEST_F(ViewerDrawing, RefusedMeshesRaiseTheirTextsAndStillEndTheScene) {
  TGraphics3DMesh& Mesh = AddTriangles(Root, 1);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    const auto Render = [&] {
      Sender.Render(Scene, Root);
    };
    Mesh.ShadingMode = ShadingPhong;
    EXPECT_EQ(ErrorText<EGraphics3DError>(Render), PhongShadingNotSupportedText);
    Mesh.ShadingMode = ShadingGouraud;
    Mesh.Textured = true;
    EXPECT_EQ(ErrorText<Exception>(Render), MeshTextureNotSetUpText);
    // In wireframe no texture is wanted at all.
    Sender.SetWireframe(true);
    EXPECT_NO_THROW(Sender.Render(Scene, Root));
  });
}

TEST_F(ViewerDrawing, AntiAliasingTwoLeavesTheDeviceDefault) {
  AddTriangles(Root, 1);
  PaintWith([&](TDirect3DViewerCore& Sender) {
    I3DDevice& Device = *Sender.Device();
    Device.SetRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTDEPENDENT);
    Sender.Render(Scene, Root);
    std::uint32_t Mode = 0;
    Device.GetRenderState(D3DRENDERSTATE_ANTIALIAS, Mode);
    EXPECT_EQ(Mode, D3DANTIALIAS_SORTDEPENDENT);
    Sender.SetAntiAliasing(AntiAliasingOn);
    Sender.Render(Scene, Root);
    Device.GetRenderState(D3DRENDERSTATE_ANTIALIAS, Mode);
    EXPECT_EQ(Mode, D3DANTIALIAS_SORTINDEPENDENT);
  });
}

TEST_F(ViewerDrawing, ProjectToScreenUsesTheLastRenderAndAgreesWithFrameToScreen) {
  Viewer->SetScaleX(2);
  Viewer->SetCamera(MakePositionOrientation({0.1, 0.2, 1}, {0, 0, -1}, {0, 1, 0}));
  TGraphics3DFrame& Moved = Root.AddFrame();
  Moved.SetOrientation(MakePositionOrientation({0.3, 0, -1}, {0, 0, 1}, {0, 1, 0}));
  AddTriangles(Moved, 1);
  const TVector3 Point{0.05, -0.1, 0.2};
  PaintWith([&](TDirect3DViewerCore& Sender) {
    Sender.Render(Scene, Root);
    const TVector3 Projected = Sender.ProjectToScreen(Point, Moved);
    const TVector3 Direct = Sender.FrameToScreen(Point, Moved);
    EXPECT_NEAR(Projected.X, Direct.X, 1e-3);
    EXPECT_NEAR(Projected.Y, Direct.Y, 1e-3);
  });
  Viewer->SetProjectionType(ProjectionPerspective);
  EXPECT_EQ(ErrorText<Exception>([&] { Viewer->FrameToScreen(Point, Moved); }),
            FrameToScreenParallelText);
  EXPECT_THROW(Viewer->ScreenToFrame(Point, Moved), Exception);
}

} // namespace
} // namespace kestrava::testing
