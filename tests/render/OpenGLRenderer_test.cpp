// Telling an OpenGL that rasterises on the processor from a graphics card's
// by its renderer string.

#include "render/OpenGLRenderer.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(OpenGLRenderer, SoftwareRenderersAreKnownByName) {
  for (const char* Software :
       {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 swrast", "Software Rasterizer",
        "zink (Lavapipe (LLVM 17.0.6, 256 bits))", "Google SwiftShader", "GDI Generic",
        "Microsoft Basic Render Driver"})
    EXPECT_TRUE(IsSoftwareRenderer(Software)) << Software;
  for (const char* Hardware : {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)",
                               "Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
                               "NVIDIA GeForce RTX 3060/PCIe/SSE2", "virgl (Intel HD)", ""})
    EXPECT_FALSE(IsSoftwareRenderer(Hardware)) << Hardware;
  EXPECT_FALSE((TOpenGLRenderer{false, "llvmpipe", "no OpenGL context can be made"}.Software()))
      << "no context: nothing draws on it at all";
}

} // namespace
} // namespace kestrava
