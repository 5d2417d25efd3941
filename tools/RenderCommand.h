#pragma once
// kestrava-tool render FILE --frame N [--view ap|lateral|twin] [--size WxH]
// [--background 0xBBGGRR] [--no-cutoff] [--zoom Z] [--fit] [--caption]
// [--device hardware|software] -o OUT.png|jpg|bmp: the picture the workstation
// shows for one frame, drawn by the same viewer code off screen and written in
// the format the output's extension names.

#include "tools/ToolCommand.h"

#include <cstdint>
#include <string>

namespace kestrava {

struct TRenderOptions {
  std::string File;
  std::int32_t Frame = 0;  // 1-based
  std::string View = "ap"; // ap, lateral or twin
  std::string Size = "1280x720";
  std::string Background = "32768"; // 0x00BBGGRR, decimal or 0x-prefixed hex
  bool AutoCutoff = true;
  double Zoom = 1.0;
  // software (reproducible pictures) or hardware (the OpenGL device, falling
  // back to software where no OpenGL context can be made or the OpenGL draws
  // on the processor; which device drew, and why, goes to standard error).
  std::string Device = "software";
  bool Fit = false;     // zoom to the frame's contents and labels instead of the design camera
  bool Caption = false; // write file, frame, time and view names onto the picture
  std::string Output;
};

// The largest picture side the tool draws.
inline constexpr std::int32_t MaxPictureSide = 8192;

// Loads the file, builds the shape model of the frame, aligns the camera to
// the patient (as the workstation does by default) and draws the view or the
// twin views as the main window lays them out. Bad option values are usage
// errors; unreadable input and unwritable output are file errors.
int RunRenderCommand(const TRenderOptions& Options, std::ostream& Out, std::ostream& Err);

void AddRenderCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava
