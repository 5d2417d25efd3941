#include "render/OpenGLRenderer.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <algorithm>
#include <array>
#include <cctype>

namespace kestrava {

namespace {

std::string Lower(std::string_view Text) {
  std::string Result(Text);
  std::transform(Result.begin(), Result.end(), Result.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return Result;
}

} // namespace

bool TOpenGLRenderer::Software() const {
  return Available && IsSoftwareRenderer(Renderer);
}

bool IsSoftwareRenderer(std::string_view Renderer) {
  static constexpr std::array<std::string_view, 8> Names{
      "llvmpipe", "softpipe",    "swrast",      "software rasterizer",
      "lavapipe", "swiftshader", "gdi generic", "microsoft basic render driver"};
  const std::string Text = Lower(Renderer);
  return std::any_of(Names.begin(), Names.end(),
                     [&](std::string_view Name) { return Text.find(Name) != std::string::npos; });
}

TOpenGLRenderer ProbeOpenGLRenderer() {
  TOpenGLRenderer Result;
  if (QGuiApplication::instance() == nullptr) {
    Result.Reason = "no GUI application";
    return Result;
  }
  QSurfaceFormat Format;
  Format.setVersion(3, 3);
  Format.setProfile(QSurfaceFormat::CoreProfile);
  QOffscreenSurface Surface;
  Surface.setFormat(Format);
  Surface.create();
  QOpenGLContext Context;
  Context.setFormat(Format);
  if (!Surface.isValid() || !Context.create()) {
    Result.Reason = "no OpenGL context can be made";
    return Result;
  }
  if (Context.format().version() < qMakePair(3, 3) || !Context.makeCurrent(&Surface)) {
    Result.Reason = "no OpenGL 3.3 context";
    return Result;
  }
  const auto* Text = reinterpret_cast<const char*>(Context.functions()->glGetString(GL_RENDERER));
  Result.Available = true;
  Result.Renderer = Text != nullptr ? Text : "";
  Context.doneCurrent();
  return Result;
}

TOpenGLRenderer MachineOpenGLRenderer() {
  if (QGuiApplication::instance() == nullptr)
    return ProbeOpenGLRenderer();
  static const TOpenGLRenderer Probed = ProbeOpenGLRenderer();
  return Probed;
}

} // namespace kestrava
