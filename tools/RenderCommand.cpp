#include "tools/RenderCommand.h"

#include "app/ViewCamera.h"
#include "app/ViewFit.h"
#include "app/ViewPicture.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"
#include "render/OpenGLRenderer.h"
#include "scene/PolygonImagerData.h"
#include "tools/GuiSession.h"
#include "tools/RenderCaption.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

// The main window's face colour, seen in the gap between twin views.
constexpr QRgb WindowFaceColour = 0xFFF0F0F0;

// The image format Qt writes for the output's extension.
const char* PictureFormat(const std::string& Output) {
  std::string Extension = std::filesystem::path(Output).extension().string();
  std::transform(Extension.begin(), Extension.end(), Extension.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  if (Extension == ".png")
    return "PNG";
  if (Extension == ".jpg" || Extension == ".jpeg")
    return "JPEG";
  if (Extension == ".bmp")
    return "BMP";
  throw EUsageError("-o " + Output + ": expected a .png, .jpg, .jpeg or .bmp file name");
}

struct TPictureSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

std::int32_t ParseSide(std::string_view Text, const std::string& Whole) {
  std::int32_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size() || Value < 1 ||
      Value > MaxPictureSide)
    throw EUsageError("--size " + Whole + ": expected WIDTHxHEIGHT, each 1.." +
                      std::to_string(MaxPictureSide));
  return Value;
}

TPictureSize ParseSize(const std::string& Text) {
  const auto Cross = Text.find('x');
  if (Cross == std::string::npos)
    throw EUsageError("--size " + Text + ": expected WIDTHxHEIGHT, each 1.." +
                      std::to_string(MaxPictureSide));
  const std::string_view All(Text);
  return {ParseSide(All.substr(0, Cross), Text), ParseSide(All.substr(Cross + 1), Text)};
}

std::uint32_t ParseBackground(const std::string& Text) {
  const bool Hex = Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X');
  const std::string_view Digits = std::string_view(Text).substr(Hex ? 2 : 0);
  std::uint32_t Value = 0;
  const auto [End, Error] =
      std::from_chars(Digits.data(), Digits.data() + Digits.size(), Value, Hex ? 16 : 10);
  if (Digits.empty() || Error != std::errc() || End != Digits.data() + Digits.size() ||
      Value > 0xFFFFFF)
    throw EUsageError("--background " + Text + ": expected a colour 0xBBGGRR (0 .. 0xFFFFFF)");
  return Value;
}

std::int32_t ParseViewMode(const std::string& Text) {
  if (Text == "ap")
    return ViewModeAP;
  if (Text == "lateral")
    return ViewModeLateral;
  if (Text == "twin")
    return ViewModeTwin;
  throw EUsageError("--view " + Text + ": expected ap, lateral or twin");
}

bool ParseHardware(const std::string& Text) {
  if (Text != "hardware" && Text != "software")
    throw EUsageError("--device " + Text + ": expected hardware or software");
  return Text == "hardware";
}

struct TViewJob {
  const TPolygonImagerData& Model;
  const TImagerFrame& Frame;
  const TViewCamera& Camera;
  TViewPictureOptions Picture;
  bool Hardware = false;
};

// Which device drew a view, and why not the hardware one when it was asked.
struct TDeviceUsed {
  std::string Name;
  bool FellBack = false;
  std::string HardwareFailure;
};

// One view set up as the main window's and pointed as it points them before
// each paint.
QImage DrawView(const TViewJob& Job, const TRect& Bounds, bool Side, TDeviceUsed& Used) {
  const std::int32_t Width = Bounds.Right - Bounds.Left, Height = Bounds.Bottom - Bounds.Top;
  TOffscreenViewerWindow Window(Width, Height);
  TDirect3DViewerCore View(Window);
  View.SetUseDirect3DHardware(Job.Hardware); // a failing hardware device falls back to software
  SetUpAsWindowView(View);
  if (Side)
    PointSideView(View, Job.Camera, Width, Height);
  else
    PointFrontView(View, Job.Camera, Width, Height);
  View.OnDraw = [&](TDirect3DViewerCore& Sender) {
    DrawViewPicture(Sender, Sender.BackSurfaceCanvas(), Job.Model, Job.Frame, Job.Picture);
  };
  View.Paint();
  Used = {View.DeviceName(), Job.Hardware && !View.UseDirect3DHardware(), View.HardwareFailure()};
  return Window.Picture();
}

QImage DrawPicture(const TViewJob& Job, std::int32_t ViewMode, const TPictureSize& Size,
                   TDeviceUsed& Used) {
  QImage Picture(Size.Width, Size.Height, QImage::Format_RGB32);
  Picture.fill(WindowFaceColour);
  const TViewPlacement Placement = PlaceViews(ViewMode, {0, 0, Size.Width, Size.Height});
  QPainter Painter(&Picture);
  Painter.drawImage(Placement.Front.Left, Placement.Front.Top,
                    DrawView(Job, Placement.Front, false, Used));
  if (ViewMode == ViewModeTwin && !Placement.Side.IsEmpty()) {
    TDeviceUsed SideUsed;
    Painter.drawImage(Placement.Side.Left, Placement.Side.Top,
                      DrawView(Job, Placement.Side, true, SideUsed));
  }
  return Picture;
}

// For --device hardware: which device drew the picture and, when it is not
// the hardware one, why.
std::string DeviceReport(const TDeviceUsed& Used) {
  if (!Used.FellBack)
    return "Drawn with the " + Used.Name +
           " (OpenGL renderer: " + MachineOpenGLRenderer().Renderer + ")";
  const TOpenGLRenderer OpenGL = MachineOpenGLRenderer();
  std::string Why;
  if (OpenGL.Software())
    Why = "this machine's OpenGL (" + OpenGL.Renderer +
          ") draws on the processor, slower than the software rasterizer";
  else if (!OpenGL.Available)
    Why = OpenGL.Reason;
  else
    Why = "the OpenGL device could not start: " + Used.HardwareFailure;
  return "Drawn with the " + Used.Name + " instead of the OpenGL device: " + Why;
}

void CheckOptionValues(const TRenderOptions& Options) {
  if (!std::isfinite(Options.Zoom) || Options.Zoom <= 0)
    throw EUsageError("--zoom: expected a number above 0");
  CheckOutputFileName(Options.Output, "-o");
}

} // namespace

int RunRenderCommand(const TRenderOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    // Every option is checked before the file is read.
    CheckOptionValues(Options);
    const std::int32_t ViewMode = ParseViewMode(Options.View);
    const TPictureSize Size = ParseSize(Options.Size);
    const std::uint32_t Background = ParseBackground(Options.Background);
    const bool Hardware = ParseHardware(Options.Device);
    const char* Format = PictureFormat(Options.Output);

    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    if (Options.Frame < 1 || Options.Frame > Procedure.FrameCount())
      throw EUsageError("--frame " + std::to_string(Options.Frame) + ": the file has " +
                        std::to_string(Procedure.FrameCount()) + " frames");
    // Drawn as the workstation shows it: without what no model can be
    // built from, which is named.
    TImagerFrame Frame;
    const TFrameCheck Check = MakeDrawableFrame(Procedure.GetFrame(Options.Frame - 1), Frame);
    const std::int32_t ProcedureType = Procedure.ProcedureType;

    // The labels' size needs the fonts of a GUI application.
    const TGuiSession Gui;
    auto Model = std::make_unique<TPolygonImagerData>();
    Model->BuildFromFrame(Frame, ProcedureType, Options.AutoCutoff);
    TViewCamera Camera;
    Camera.AlignToPatient(Frame, ProcedureType, ViewMode == ViewModeLateral);
    if (Options.Fit)
      FitCamera(Camera, ModelPointsToShow(*Model, Frame),
                FitViewsOfPicture(ViewMode, Size.Width, Size.Height), MarkerLabelRoom());
    Camera.Zoom(Options.Zoom);
    if (!Check.Sound())
      Err << "Frame " << Options.Frame << ": model incomplete (" << FrameCheckText(Check) << ")\n";

    const TViewJob Job{*Model, Frame, Camera, {Background, true, ProcedureType}, Hardware};
    TDeviceUsed Used;
    QImage Picture = DrawPicture(Job, ViewMode, Size, Used);
    if (Hardware)
      Err << DeviceReport(Used) << '\n';
    if (Options.Caption)
      DrawCaption(Picture,
                  {Options.File, Options.Frame, Procedure.FrameCount(), Frame.Time * 86400.0},
                  ViewMode);
    if (!Picture.save(QString::fromStdString(Options.Output), Format))
      throw Exception("Cannot write " + Options.Output);
    Out << "Wrote " << Options.Output << ": " << Options.View << " view of frame " << Options.Frame
        << ", " << Size.Width << 'x' << Size.Height << '\n';
    return static_cast<int>(ExitSuccess);
  });
}

void AddRenderCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TRenderOptions>();
  auto NoCutoff = std::make_shared<bool>(false);
  CLI::App* Command =
      App.add_subcommand("render", "Draw the workstation's picture of one frame (PNG, JPEG, BMP)");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option("--frame", Options->Frame, "Frame number, counted from 1")->required();
  Command->add_option("--view", Options->View, "ap (default), lateral or twin");
  Command->add_option("--size", Options->Size, "Picture size WIDTHxHEIGHT (default 1280x720)");
  Command->add_option("--background", Options->Background,
                      "Background colour 0xBBGGRR (default 32768, the program's green)");
  Command->add_flag("--no-cutoff", *NoCutoff, "Draw without the auto cut-off plane");
  Command->add_option("--zoom", Options->Zoom, "Zoom factor (default 1; with --fit, on top of it)");
  Command->add_flag("--fit", Options->Fit,
                    "Zoom so the endoscope, markers and hand fill the view (default: the "
                    "workstation's camera)");
  Command->add_option("--device", Options->Device,
                      "software (default; reproducible pictures) or hardware (OpenGL, falling "
                      "back to software where no OpenGL context can be made or OpenGL draws in "
                      "software; says on standard error which device drew and why)");
  Command->add_flag(
      "--caption", Options->Caption,
      "Write the file name, frame number, elapsed time and view names on the picture");
  Command
      ->add_option("-o,--output", Options->Output,
                   "Picture to write; .png, .jpg/.jpeg or .bmp chooses the format")
      ->required();
  Command->callback([Options, NoCutoff, &Context] {
    Options->AutoCutoff = !*NoCutoff;
    Context.ExitCode = RunRenderCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava
