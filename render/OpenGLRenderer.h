#pragma once
// Which OpenGL the hardware device would draw with. Machines without a
// graphics processor (virtual machines, remote desktops, a virtual X
// display) offer only an OpenGL that rasterises on the processor, such as
// Mesa's llvmpipe, and it draws our pictures several times slower than our
// own software device: such an OpenGL is no hardware, and the device layer
// enumerates it as a software device.
//
// Thread: user-interface thread (a context is made to ask).

#include <string>
#include <string_view>

namespace kestrava {

struct TOpenGLRenderer {
  // An OpenGL 3.3 context can be made; else Reason says why not.
  bool Available = false;
  // The renderer string (GL_RENDERER), "llvmpipe (LLVM 15.0.6, 256 bits)".
  std::string Renderer;
  std::string Reason;

  // Available, and rasterising on the processor.
  bool Software() const;
};

// Whether a renderer string names an OpenGL that rasterises on the
// processor: Mesa's llvmpipe, softpipe and swrast ("Software Rasterizer"),
// lavapipe under zink, Google's SwiftShader, Windows' "GDI Generic" and
// "Microsoft Basic Render Driver". Case does not matter.
bool IsSoftwareRenderer(std::string_view Renderer);

// Makes an OpenGL 3.3 context off screen, reads its renderer and drops it.
// Needs a GUI application (without one: not available).
TOpenGLRenderer ProbeOpenGLRenderer();

// This machine's OpenGL, probed the first time a GUI application asks:
// it does not change while the program runs, and a context costs tens of
// milliseconds to make.
TOpenGLRenderer MachineOpenGLRenderer();

} // namespace kestrava
