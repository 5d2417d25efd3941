// Telling an OpenGL that rasterises on the processor from a graphics card's
// by its renderer string.

#include "render/OpenGLRenderer.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(OpenGLRenderer, SoftwareRenderersAreKnownByName) {
  for (const char* Software :
       {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 swrast",
        "zink (Lavapipe (LLVM 17.0.6))", "Google SwiftShader", "Microsoft Basic Render Driver"})
    EXPECT_TRUE(IsSoftwareRenderer(Software)) << Software;
  for (const char* Hardware : {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)",
                               "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", ""})
    EXPECT_FALSE(IsSoftwareRenderer(Hardware)) << Hardware;
}

} // namespace
} // namespace kestrava
