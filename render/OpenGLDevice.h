#pragma once
// The hardware device: the software device's recording front end with its
// queues carried out by OpenGL (3.3 core) instead of the software
// rasterizer. It draws off-screen into a framebuffer object of its own and
// reads the result back into the back surface, which the viewer presents
// and the canvas writes its labels on as with the software device.
//
// Every fixed-function effect the rasterizer offers is reproduced in our own
// shaders with the rasterizer's arithmetic (texel addressing, bilinear
// weights with keyed texels left out, colour keying, specular add, fog);
// coverage along edges follows OpenGL's rules, so pictures agree with the
// software device's except along edges (and by one step where blending
// rounds).
//
// Thread: the user-interface thread; the OpenGL context is made current on
// it for each execution and released again. Needs a QGuiApplication.

#include "render/Direct3DDevice.h"
#include "render/MemorySurface.h"

#include <memory>
#include <string>

namespace kestrava {

// The device's hardware description: what the 3D layer enumerates.
TDeviceDescription OpenGLHardwareDescription();

// A device drawing into Target through OpenGL. Without an OpenGL 3.3
// context (no display, no driver, no GUI application) it answers
// D3DERR_INVALID_DEVICE, leaves Result empty and says why in Reason.
HRESULT CreateOpenGLDevice(std::shared_ptr<TMemorySurface> Target,
                           std::shared_ptr<I3DDevice>& Result, std::string& Reason);

} // namespace kestrava
