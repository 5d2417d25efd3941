// kestrava-tool render: the workstation's picture of a frame, checked by
// what it shows where the viewer's own projection puts things.

#include "ToolTestSupport.h"
#include "app/ViewCamera.h"
#include "render/Direct3DViewerCore.h"
#include "tools/DemoRecording.h"
#include "tools/RenderCommand.h"
#include "tools/ToolErrors.h"

#include <QImage>
#include <algorithm>
#include <cmath>

namespace kestrava::testing {
namespace {

constexpr int DemoFrame = 150;

struct TRgb {
  int R, G, B;
};

TRgb RgbAt(const QImage& Image, int X, int Y) {
  const QRgb P = Image.pixel(X, Y);
  return {qRed(P), qGreen(P), qBlue(P)};
}

bool IsGrey(const TRgb& C) {
  return std::abs(C.R - C.G) <= 8 && std::abs(C.G - C.B) <= 8 && C.R >= 40;
}
bool IsRedDominant(const TRgb& C) {
  return C.R > C.G + 60 && C.R > C.B + 60;
}
bool IsWhite(const TRgb& C) {
  return C.R > 200 && C.G > 200 && C.B > 200;
}
bool IsBackground(const TRgb& C) {
  return C.R == 0 && C.G == 128 && C.B == 0; // 32768 cleared at 128/256
}

class RenderCommand : public TToolTest {
protected:
  void SetUp() override {
    TToolTest::SetUp();
    BuildDemoProcedure(Procedure);
    File = Procedure.SaveToFile(PathOf("demo.img"));
  }

  QImage Render(const std::vector<std::string>& Options, const std::string& Name = "out.png") {
    std::vector<std::string> Arguments = {
        "render", File, "--frame", std::to_string(DemoFrame), "-o", PathOf(Name)};
    Arguments.insert(Arguments.end(), Options.begin(), Options.end());
    const TToolRun Result = Run(Arguments);
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    return QImage(QString::fromStdString(PathOf(Name)));
  }

  // Where the AP view of Width x Height puts a world point, by the viewer's
  // own conversion with the camera the tool aligns to the patient.
  TVector3 ScreenOf(const TVector3& Point, std::int32_t Width, std::int32_t Height) {
    TViewCamera Camera;
    EXPECT_TRUE(Camera.AlignToPatient(Procedure.GetFrame(DemoFrame - 1), 0, false));
    TOffscreenViewerWindow Window(Width, Height);
    TDirect3DViewerCore View(Window);
    View.SetProjectionType(ProjectionParallel);
    PointFrontView(View, Camera, Width, Height);
    return View.FrameToScreen(Point, TGraphics3DFrame());
  }

  const TImagerFrame& Frame() const { return Procedure.GetFrame(DemoFrame - 1); }

  TImagerProcedure Procedure;
  std::string File;
};

TEST_F(RenderCommand, DrawsMarkersLabelsTubeAndBackgroundWhereTheProjectionPutsThem) {
  const QImage Picture = Render({"--size", "640x360", "--no-cutoff"});
  ASSERT_EQ(Picture.size(), QSize(640, 360));
  for (const auto& [X, Y] : {std::pair{0, 0}, {639, 0}, {0, 359}, {639, 359}})
    EXPECT_TRUE(IsBackground(RgbAt(Picture, X, Y))) << X << "," << Y;
  std::vector<TVector3> Markers;
  for (std::size_t Marker = 0; Marker < 3; ++Marker) {
    ASSERT_TRUE(Frame().MarkerValid[Marker]);
    Markers.push_back(ScreenOf(Frame().MarkerPosition[Marker], 640, 360));
    const int X = static_cast<int>(std::lround(Markers.back().X));
    const int Y = static_cast<int>(std::lround(Markers.back().Y));
    int Red = 0, White = 0, WhiteOpposite = 0;
    for (int DY = -6; DY <= 6; ++DY)
      for (int DX = -6; DX <= 6; ++DX)
        Red += IsRedDominant(RgbAt(Picture, X + DX, Y + DY));
    EXPECT_GT(Red, 13 * 13 / 2) << "marker " << Marker << " at " << X << "," << Y;
    // The label's white text starts 10 pixels right of and below the
    // marker; the same box on the other side of the marker is background.
    for (int DY = 10; DY < 26; ++DY)
      for (int DX = 10; DX < 22; ++DX) {
        White += IsWhite(RgbAt(Picture, X + DX, Y + DY));
        WhiteOpposite += IsWhite(RgbAt(Picture, X - DX, Y + DY));
      }
    EXPECT_GE(White, 3) << "label "
                        << "RLA"[Marker];
    EXPECT_EQ(WhiteOpposite, 0);
  }
  // The grey tube runs through every projected sensor clear of the edges and markers.
  int Checked = 0;
  for (std::size_t Sensor = 0; Sensor < static_cast<std::size_t>(Frame().SensorCount); ++Sensor) {
    const TVector3 At = ScreenOf(Frame().SensorPosition[Sensor], 640, 360);
    const int X = static_cast<int>(std::lround(At.X)), Y = static_cast<int>(std::lround(At.Y));
    if (X < 15 || Y < 15 || X > 625 || Y > 345 ||
        std::any_of(Markers.begin(), Markers.end(),
                    [&](const TVector3& M) { return std::hypot(M.X - At.X, M.Y - At.Y) < 40; }))
      continue;
    ++Checked;
    EXPECT_TRUE(IsGrey(RgbAt(Picture, X, Y))) << "sensor " << Sensor << " at " << X << "," << Y;
  }
  EXPECT_GE(Checked, 3);
}

TEST_F(RenderCommand, TwinViewsSitSideBySideAndTheSideViewIsTheLateralOne) {
  const QImage Twin = Render({"--view", "twin", "--size", "1001x300"}, "twin.png");
  const QImage Lateral = Render({"--view", "lateral", "--size", "498x300"}, "lateral.png");
  const QImage AP = Render({"--size", "498x300"}, "ap.png");
  ASSERT_EQ(Twin.width(), 1001);
  // (1001 - 4) / 2 = 498 pixels each; the side view ends at the right edge.
  for (int X = 498; X < 503; ++X)
    EXPECT_EQ(Twin.pixel(X, 150) & 0xFFFFFFu, 0xF0F0F0u) << X;
  int Same = 0, Total = 0;
  for (int Y = 0; Y < 300; Y += 3)
    for (int X = 0; X < 498; X += 3, ++Total) {
      Same += Twin.pixel(503 + X, Y) == Lateral.pixel(X, Y) && Twin.pixel(X, Y) == AP.pixel(X, Y);
    }
  EXPECT_GT(Same, Total * 99 / 100);
  EXPECT_NE(Lateral, AP);
}

TEST_F(RenderCommand, BackgroundAndZoomOptionsChangeThePicture) {
  const QImage Blue = Render({"--size", "64x64", "--background", "0xFF0000"}, "blue.png");
  EXPECT_EQ(Blue.pixel(0, 0) & 0xFFFFFFu, 0x0000FEu);
  const QImage Near = Render({"--size", "200x100", "--zoom", "3"}, "near.png");
  const QImage Far = Render({"--size", "200x100"}, "far.png");
  EXPECT_NE(Near, Far);
}

// The smallest rectangle holding every pixel of the columns Left..Right - 1
// (one view) that differs from the picture's corner.
QRect DrawnArea(const QImage& Picture, int Left, int Right) {
  const QRgb Background = Picture.pixel(0, 0);
  QRect Area;
  for (int Y = 0; Y < Picture.height(); ++Y)
    for (int X = Left; X < Right; ++X)
      if ((Picture.pixel(X, Y) & 0xFFFFFFu) != (Background & 0xFFFFFFu))
        Area |= QRect(X, Y, 1, 1);
  return Area;
}

TEST_F(RenderCommand, FitShowsTheWholeFrameAndItsLabelsFillingTheViewWithAMargin) {
  for (const std::string View : {"ap", "lateral", "twin"}) {
    // The white labels count as drawn on the green.
    const std::vector<std::string> Options = {"--size", "400x300", "--view",     View,
                                              "--zoom", "1.6",     "--no-cutoff"};
    const int Front = View == "twin" ? (400 - 4) / 2 : 400;
    const QRect Cropped = DrawnArea(Render(Options, "design.png"), 0, Front);
    EXPECT_TRUE(Cropped.top() == 0 || Cropped.bottom() == 299) << View << ": cut off at zoom 1.6";

    std::vector<std::string> Fitted = Options;
    Fitted.erase(Fitted.begin() + 4, Fitted.begin() + 6); // no --zoom
    Fitted.push_back("--fit");
    const QImage Picture = Render(Fitted, "fit.png");
    const QRect Whole = DrawnArea(Picture, 0, Front);
    EXPECT_GT(Whole.top(), 0) << View;
    EXPECT_GT(Whole.left(), 0) << View;
    EXPECT_LT(Whole.right(), Front - 1) << View;
    EXPECT_LT(Whole.bottom(), 299) << View;
    // One of the views is filled along one of its axes.
    const QRect Side = View == "twin" ? DrawnArea(Picture, 400 - Front, 400) : QRect();
    EXPECT_TRUE(Whole.height() > 300 * 3 / 4 || Whole.width() > Front * 3 / 4 ||
                Side.height() > 300 * 3 / 4 || Side.width() > Front * 3 / 4)
        << View << ": " << Whole.width() << "x" << Whole.height() << ", " << Side.width() << "x"
        << Side.height();
  }
}

// Under the virtual display of its CTest entry the only OpenGL is Mesa's,
// which draws on the processor (KESTRAVA_EXPECT_SOFTWARE_OPENGL set); without
// a display no OpenGL context can be made.
TEST_F(RenderCommand, HardwareDeviceSaysWhichDrewAndWhyOnSoftwareOpenGLOurs) {
  const std::vector<std::string> Options = {"--size", "320x200", "--view", "twin"};
  const QImage Software = Render(Options, "software.png");
  const TToolRun Hardware =
      Run({"render", File, "--frame", std::to_string(DemoFrame), "-o", PathOf("hardware.png"),
           "--size", "320x200", "--view", "twin", "--device", "hardware"});
  ASSERT_EQ(Hardware.Code, 0) << Hardware.Err;
  const bool OpenGLDrew = Hardware.Err.starts_with("Drawn with the Kestrava OpenGL device");
  if (OpenGLDrew && std::getenv("KESTRAVA_EXPECT_SOFTWARE_OPENGL") == nullptr)
    GTEST_SKIP() << "a hardware OpenGL drew here: " << Hardware.Err;
  EXPECT_EQ(Hardware.Err.rfind("Drawn with the Kestrava software rasterizer instead of the "
                               "OpenGL device: ",
                               0),
            0u)
      << Hardware.Err;
  if (std::getenv("KESTRAVA_EXPECT_SOFTWARE_OPENGL") != nullptr) {
    EXPECT_NE(Hardware.Err.find("draws on the processor"), std::string::npos) << Hardware.Err;
  }
  EXPECT_EQ(QImage(QString::fromStdString(PathOf("hardware.png"))), Software);
}

TEST_F(RenderCommand, CaptionLabelsReadableAtAnySizeAndOnWhite) {
  const auto CaptionBox = [&](const std::string& Size) {
    const std::vector<std::string> Options = {"--size",   Size,     "--background",
                                              "0xFFFFFF", "--view", "twin"};
    const QImage Plain = Render(Options, "plain.png");
    std::vector<std::string> Captioned = Options;
    Captioned.push_back("--caption");
    const QImage Labelled = Render(Captioned, "caption.png");
    // The bottom-left label: where the captioned picture differs in the
    // lowest tenth of the left half.
    QRect Box;
    int Light = 0, Dark = 0;
    for (int Y = Plain.height() * 9 / 10; Y < Plain.height(); ++Y)
      for (int X = 0; X < Plain.width() / 2; ++X)
        if (Plain.pixel(X, Y) != Labelled.pixel(X, Y)) {
          Box |= QRect(X, Y, 1, 1);
          const int Grey = qGray(Labelled.pixel(X, Y));
          Light += Grey > 200;
          Dark += Grey < 100;
        }
    EXPECT_GT(Light, 20) << Size << ": light text";
    EXPECT_GT(Dark, 20) << Size << ": on a dark box";
    return Box;
  };
  const QRect Small = CaptionBox("640x360");
  const QRect Large = CaptionBox("3840x2160");
  EXPECT_GE(Small.height(), 11);
  EXPECT_GE(Large.height(), 2160 / 40) << "text grows with the picture";
}

TEST_F(RenderCommand, WritesTheFormatTheExtensionNamesAndRefusesBadOptionsBeforeReading) {
  for (const auto& [Name, Magic] : {std::pair<std::string, std::string>{"a.png", "\x89PNG"},
                                    {"a.JPG", "\xFF\xD8\xFF"},
                                    {"a.jpeg", "\xFF\xD8\xFF"},
                                    {"a.bmp", "BM"}}) {
    ASSERT_EQ(Run({"render", File, "--frame", "1", "--size", "32x32", "-o", PathOf(Name)}).Code, 0);
    std::ifstream In(PathOf(Name), std::ios::binary);
    std::string Start(Magic.size(), '\0');
    In.read(Start.data(), static_cast<std::streamsize>(Start.size()));
    EXPECT_EQ(Start, Magic) << Name;
  }
  const auto Frame1 = [](std::vector<std::string> More) {
    More.insert(More.begin(), {"render", "@demo.img", "--frame", "1", "-o", "@x.png"});
    return More;
  };
  std::vector<TGolden> Table = {
      {{"render", "@demo.img", "--frame", "0", "-o", "@x.png"}, 1, {}},
      {{"render", "@demo.img", "--frame", "301", "-o", "@x.png"}, 1, {}},
      {{"render", "@demo.img", "--frame", "1"}, 1, {}}, // no output
      {{"render", "@demo.img", "--frame", "1", "-o", "@a.gif"}, 1, {}},
      {Frame1({"--view", "top"}), 1, {}},
      {Frame1({"--zoom", "0"}), 1, {}},
      {{"render", "@missing.img", "--frame", "1", "-o", "@x.png"}, 2, {}},
      {{"render", "@demo.img", "--frame", "1", "-o", "@no/such/dir/x.png"}, 2, {}},
  };
  for (const char* Size : {"0x10", "10x", "x10", "9000x10", "10*10", "-5x10"})
    Table.push_back({Frame1({"--size", Size}), 1, {}});
  for (const char* Colour : {"0x1000000", "green", "0x", "-1"})
    Table.push_back({Frame1({"--background", Colour}), 1, {}});
  for (const TGolden& Case : Table)
    ExpectGolden(Case);
  EXPECT_FALSE(std::filesystem::exists(PathOf("x.png")) ||
               std::filesystem::exists(PathOf("a.gif")));
}

} // namespace
} // namespace kestrava::testing
