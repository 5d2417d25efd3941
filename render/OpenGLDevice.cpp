#include "render/OpenGLDevice.h"

#include "render/DirectXResultCodes.h"
#include "render/MemoryFill.h"
#include "render/SoftwareDevice.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLShaderProgram>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>
#include <cmath>
#include <cstddef>
#include <map>
#include <vector>

namespace kestrava {

namespace {

// Positions are those the rasterizer works with: Batch.Transform takes a
// vertex to the clip volume, Mapping to pixels whose centres lie on integer
// coordinates. OpenGL puts pixel centres half a pixel further, and its rows
// run the way the target's do as long as nothing flips them: row 0 of the
// framebuffer is row 0 of the target.
constexpr const char* VertexShader = R"(#version 330 core
layout(location = 0) in vec3 Position;
layout(location = 1) in vec4 Diffuse;  // B, G, R, A of the vertex's 0xAARRGGBB
layout(location = 2) in vec4 Specular; // the same; A is the fog factor
layout(location = 3) in vec2 TexCoord;
uniform mat4 Transform;
uniform vec3 Scale;
uniform vec3 Offset;
flat out vec4 FlatDiffuse;
flat out vec4 FlatSpecular;
noperspective out vec4 LinearDiffuse;
noperspective out vec4 LinearSpecular;
smooth out vec2 PerspectiveUV;
noperspective out vec2 LinearUV;
void main() {
  vec4 C = Transform * vec4(Position, 1.0);
  gl_Position = vec4(Scale * C.xyz + Offset * C.w, C.w);
  FlatDiffuse = Diffuse;
  FlatSpecular = Specular;
  LinearDiffuse = Diffuse;
  LinearSpecular = Specular;
  PerspectiveUV = TexCoord;
  LinearUV = TexCoord;
}
)";

// ShadePixel of the software rasterizer, step by step.
constexpr const char* FragmentShader = R"(#version 330 core
flat in vec4 FlatDiffuse;
flat in vec4 FlatSpecular;
noperspective in vec4 LinearDiffuse;
noperspective in vec4 LinearSpecular;
smooth in vec2 PerspectiveUV;
noperspective in vec2 LinearUV;
out vec4 Colour;
uniform bool Flat;
uniform bool Textured;
uniform bool Bilinear;
uniform bool Perspective;
uniform bool WrapU;
uniform bool WrapV;
uniform bool UseKey;
uniform bool HasKey;
uniform bool TextureAlpha;
uniform bool SpecularOn;
uniform bool FogOn;
uniform bool Blend;
uniform int TextureBlend; // 1 decal, 2 modulate, 4 modulate alpha
uniform uint KeyLow;
uniform uint KeyHigh;
uniform vec3 FogColour;
uniform usampler2D Texture;

float Address(float V, bool Wrap) {
  if (isnan(V) || isinf(V)) return 0.0;
  if (Wrap) {
    V -= floor(V);
    return V >= 0.0 && V < 1.0 ? V : 0.0;
  }
  return clamp(V, 0.0, 1.0);
}

int WrapIndex(int I, int Size, bool Wrap) {
  if (Wrap) {
    I = I % Size;
    return I < 0 ? I + Size : I;
  }
  return clamp(I, 0, Size - 1);
}

vec4 Fetch(ivec2 At, out bool Keyed) {
  uvec4 T = texelFetch(Texture, At, 0); // B, G, R, A
  uint Value = (T.b << 16) | (T.g << 8) | T.r;
  Keyed = HasKey && Value >= KeyLow && Value <= KeyHigh;
  return vec4(float(T.b), float(T.g), float(T.r), TextureAlpha ? float(T.a) : 255.0);
}

vec4 SamplePoint(vec2 UV, out bool Keyed) {
  ivec2 Size = textureSize(Texture, 0);
  float U = Address(UV.x, WrapU), V = Address(UV.y, WrapV);
  int X = min(int(U * float(Size.x)), Size.x - 1);
  int Y = min(int(V * float(Size.y)), Size.y - 1);
  return Fetch(ivec2(X, Y), Keyed);
}

vec4 SampleBilinear(vec2 UV, out bool Keyed) {
  ivec2 Size = textureSize(Texture, 0);
  float X = Address(UV.x, WrapU) * float(Size.x) - 0.5;
  float Y = Address(UV.y, WrapV) * float(Size.y) - 0.5;
  float X0f = floor(X), Y0f = floor(Y);
  float FX = X - X0f, FY = Y - Y0f;
  int X0 = int(X0f), Y0 = int(Y0f);
  int XS[2] = int[2](WrapIndex(X0, Size.x, WrapU), WrapIndex(X0 + 1, Size.x, WrapU));
  int YS[2] = int[2](WrapIndex(Y0, Size.y, WrapV), WrapIndex(Y0 + 1, Size.y, WrapV));
  float W[4] = float[4]((1.0 - FX) * (1.0 - FY), FX * (1.0 - FY), (1.0 - FX) * FY, FX * FY);
  vec4 Sum = vec4(0.0);
  float Total = 0.0;
  for (int I = 0; I < 4; ++I) {
    bool K;
    vec4 T = Fetch(ivec2(XS[I & 1], YS[I >> 1]), K);
    if (K) continue;
    Sum += W[I] * T;
    Total += W[I];
  }
  Keyed = Total < 0.5;
  if (Keyed) return vec4(0.0);
  return Total < 1.0 ? Sum / Total : Sum;
}

float ToByte(float V) { return floor(clamp(V + 0.5, 0.0, 255.0)); }

void main() {
  vec4 D = (Flat ? FlatDiffuse : LinearDiffuse) * 255.0;
  vec4 S = (Flat ? FlatSpecular : LinearSpecular) * 255.0;
  float R = D.z, G = D.y, B = D.x, A = D.w;
  if (Textured) {
    bool Keyed;
    vec2 UV = Perspective ? PerspectiveUV : LinearUV;
    vec4 T = Bilinear ? SampleBilinear(UV, Keyed) : SamplePoint(UV, Keyed);
    if (Keyed && UseKey) discard;
    if (TextureBlend == 1) {
      R = T.x; G = T.y; B = T.z;
      A = TextureAlpha ? T.w : A;
    } else if (TextureBlend == 4) {
      R = T.x * R / 255.0; G = T.y * G / 255.0; B = T.z * B / 255.0;
      A = T.w * A / 255.0;
    } else {
      R = T.x * R / 255.0; G = T.y * G / 255.0; B = T.z * B / 255.0;
      A = TextureAlpha ? T.w : A;
    }
  }
  if (SpecularOn) {
    R = min(R + S.z, 255.0); G = min(G + S.y, 255.0); B = min(B + S.x, 255.0);
  }
  if (FogOn) {
    float Factor = clamp(LinearSpecular.w, 0.0, 1.0);
    R = Factor * R + (1.0 - Factor) * FogColour.r;
    G = Factor * G + (1.0 - Factor) * FogColour.g;
    B = Factor * B + (1.0 - Factor) * FogColour.b;
  }
  // Blending works on the unrounded colour, as the rasterizer's does.
  vec3 C = Blend ? vec3(R, G, B) : vec3(ToByte(R), ToByte(G), ToByte(B));
  Colour = vec4(C, ToByte(A)) / 255.0;
}
)";

GLenum DepthFunction(D3DCMPFUNC Function) {
  switch (Function) {
  case D3DCMP_NEVER:
    return GL_NEVER;
  case D3DCMP_LESS:
    return GL_LESS;
  case D3DCMP_EQUAL:
    return GL_EQUAL;
  case D3DCMP_LESSEQUAL:
    return GL_LEQUAL;
  case D3DCMP_GREATER:
    return GL_GREATER;
  case D3DCMP_NOTEQUAL:
    return GL_NOTEQUAL;
  case D3DCMP_GREATEREQUAL:
    return GL_GEQUAL;
  default:
    return GL_ALWAYS;
  }
}

GLenum BlendFactor(D3DBLEND Blend) {
  switch (Blend) {
  case D3DBLEND_ZERO:
    return GL_ZERO;
  case D3DBLEND_SRCALPHA:
    return GL_SRC_ALPHA;
  case D3DBLEND_INVSRCALPHA:
    return GL_ONE_MINUS_SRC_ALPHA;
  default:
    return GL_ONE;
  }
}

// Whether the queue's first command clears all of the target with Flag:
// then what the target's memory holds need not be uploaded first.
bool StartsWithFullClear(const TRenderQueue& Queue, const TRasterTarget& Target,
                         std::uint32_t Flag) {
  if (Queue.Commands.empty() || !Queue.Commands.front().IsClear) {
    return false;
  }
  const TRasterClear& Clear = Queue.Clears[Queue.Commands.front().Index];
  return (Clear.Flags & Flag) != 0 && Clear.Rect == TRect{0, 0, Target.Width, Target.Height};
}

struct TBatchRange {
  GLint First = 0;
  GLsizei Count = 0;
};

class TOpenGLExecutor final : public IQueueExecutor {
public:
  TOpenGLExecutor(std::int32_t Width, std::int32_t Height) : Width_(Width), Height_(Height) {}
  ~TOpenGLExecutor() override { Release(); }
  TOpenGLExecutor(const TOpenGLExecutor&) = delete;
  TOpenGLExecutor& operator=(const TOpenGLExecutor&) = delete;

  // Makes the context and everything drawn with; false (with the reason)
  // when OpenGL 3.3 is not to be had.
  bool Build(std::string& Reason) {
    Release();
    if (QGuiApplication::instance() == nullptr) {
      Reason = "no GUI application";
      return false;
    }
    QSurfaceFormat Format;
    Format.setVersion(3, 3);
    Format.setProfile(QSurfaceFormat::CoreProfile);
    Format.setOption(QSurfaceFormat::ResetNotification);
    Surface_ = std::make_unique<QOffscreenSurface>();
    Surface_->setFormat(Format);
    Surface_->create();
    Context_ = std::make_unique<QOpenGLContext>();
    Context_->setFormat(Format);
    if (!Surface_->isValid() || !Context_->create()) {
      Reason = "no OpenGL context can be made";
      Release();
      return false;
    }
    if (Context_->format().version() < qMakePair(3, 3) || !Context_->makeCurrent(Surface_.get())) {
      Reason = "no OpenGL 3.3 context";
      Release();
      return false;
    }
    GL_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(Context_.get());
    const bool Built = GL_ != nullptr && GL_->initializeOpenGLFunctions() && BuildObjects(Reason);
    Context_->doneCurrent();
    if (!Built) {
      Release();
    }
    return Built;
  }

  bool Execute(TRenderQueue& Queue, const TRasterTarget& Target, TDrawStatistics& Statistics,
               const TExecuteOptions& Options) override {
    if (Queue.Empty()) {
      return true;
    }
    if (!Context_ || !Context_->isValid() || !Context_->makeCurrent(Surface_.get())) {
      // A lost context is made anew; until that works, the surface is lost.
      std::string Reason;
      if (!Build(Reason) || !Context_->makeCurrent(Surface_.get())) {
        return false;
      }
    }
    Framebuffer_->bind();
    GL_->glViewport(0, 0, Width_, Height_);
    Upload(Queue, Target);
    PrepareVertices(Queue, Statistics);
    Program_->bind();
    GL_->glBindVertexArray(VertexArray_);
    GL_->glEnable(GL_SCISSOR_TEST);
    for (const TRasterCommand& Command : Queue.Commands) {
      if (Command.IsClear) {
        DoClear(Queue.Clears[Command.Index]);
      } else {
        DoBatch(Queue, Command.Index, Target.Depth != nullptr);
      }
    }
    GL_->glDisable(GL_SCISSOR_TEST);
    ReadBack(Target, Options.Present);
    for (const auto& [Texels, Texture] : Textures_) {
      GL_->glDeleteTextures(1, &Texture);
    }
    Textures_.clear();
    GL_->glBindVertexArray(0);
    Program_->release();
    Framebuffer_->release();
    Context_->doneCurrent();
    return true;
  }

  TDroppedParts Dropped() const override { return {}; }
  void RestoreDropped(const TRenderQueue&, const TRasterTarget&) override {}

private:
  bool BuildObjects(std::string& Reason) {
    QOpenGLFramebufferObjectFormat Format;
    Format.setAttachment(QOpenGLFramebufferObject::NoAttachment);
    Format.setInternalTextureFormat(GL_RGBA8);
    Framebuffer_ = std::make_unique<QOpenGLFramebufferObject>(Width_, Height_, Format);
    // A float depth texture of our own: depth goes in and out exactly.
    GL_->glGenTextures(1, &DepthTexture_);
    GL_->glBindTexture(GL_TEXTURE_2D, DepthTexture_);
    GL_->glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, Width_, Height_, 0,
                      GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    GL_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    GL_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    Framebuffer_->bind();
    GL_->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, DepthTexture_,
                                0);
    const bool Complete = GL_->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    Framebuffer_->release();
    if (!Complete) {
      Reason = "the off-screen framebuffer is incomplete";
      return false;
    }
    Program_ = std::make_unique<QOpenGLShaderProgram>();
    if (!Program_->addShaderFromSourceCode(QOpenGLShader::Vertex, VertexShader) ||
        !Program_->addShaderFromSourceCode(QOpenGLShader::Fragment, FragmentShader) ||
        !Program_->link()) {
      Reason = "the shaders do not build: " + Program_->log().toStdString();
      return false;
    }
    GL_->glGenVertexArrays(1, &VertexArray_);
    GL_->glGenBuffers(1, &VertexBuffer_);
    GL_->glBindVertexArray(VertexArray_);
    GL_->glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer_);
    const auto Stride = static_cast<GLsizei>(sizeof(D3DLVERTEX));
    // OpenGL takes an offset into the bound buffer in a pointer's clothing.
    const auto At = [](std::size_t Offset) {
      return reinterpret_cast<const void*>(Offset); // NOLINT(performance-no-int-to-ptr)
    };
    GL_->glEnableVertexAttribArray(0);
    GL_->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, Stride, At(offsetof(D3DLVERTEX, X)));
    GL_->glEnableVertexAttribArray(1);
    GL_->glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, Stride,
                               At(offsetof(D3DLVERTEX, Diffuse)));
    GL_->glEnableVertexAttribArray(2);
    GL_->glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, Stride,
                               At(offsetof(D3DLVERTEX, Specular)));
    GL_->glEnableVertexAttribArray(3);
    GL_->glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, Stride, At(offsetof(D3DLVERTEX, TU)));
    GL_->glBindVertexArray(0);
    // Direct3D shades flat with the first vertex's colours.
    GL_->glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    return true;
  }

  void Release() {
    if (Context_ && Surface_ && Context_->makeCurrent(Surface_.get())) {
      if (GL_ != nullptr) {
        GL_->glDeleteBuffers(1, &VertexBuffer_);
        GL_->glDeleteVertexArrays(1, &VertexArray_);
        GL_->glDeleteTextures(1, &DepthTexture_);
      }
      Program_.reset();
      Framebuffer_.reset();
      Context_->doneCurrent();
    }
    Program_.reset();
    Framebuffer_.reset();
    VertexBuffer_ = VertexArray_ = DepthTexture_ = 0;
    GL_ = nullptr;
    Context_.reset();
    Surface_.reset();
  }

  // What the target holds goes in first, unless the queue clears it anyway.
  void Upload(const TRenderQueue& Queue, const TRasterTarget& Target) {
    GL_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (!StartsWithFullClear(Queue, Target, D3DCLEAR_TARGET)) {
      GL_->glBindTexture(GL_TEXTURE_2D, Framebuffer_->texture());
      GL_->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Width_, Height_, GL_BGRA, GL_UNSIGNED_BYTE,
                           Target.Colour);
    }
    if (Target.Depth != nullptr && !StartsWithFullClear(Queue, Target, D3DCLEAR_ZBUFFER)) {
      GL_->glBindTexture(GL_TEXTURE_2D, DepthTexture_);
      GL_->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Width_, Height_, GL_DEPTH_COMPONENT, GL_FLOAT,
                           Target.Depth);
    }
  }

  // Every batch as plain primitives, one vertex after the other.
  void PrepareVertices(const TRenderQueue& Queue, TDrawStatistics& Statistics) {
    Vertices_.clear();
    Ranges_.assign(Queue.Batches.size(), {});
    for (std::size_t B = 0; B < Queue.Batches.size(); ++B) {
      const TRasterBatch& Batch = Queue.Batches[B];
      const TRasterState& State = Queue.States[Batch.State];
      const std::uint32_t PerPrimitive = Batch.Type == D3DPT_TRIANGLELIST ? 3
                                         : Batch.Type == D3DPT_LINELIST   ? 2
                                                                          : 1;
      Ranges_[B].First = static_cast<GLint>(Vertices_.size());
      const std::uint32_t Count = Batch.IndexCount / PerPrimitive * PerPrimitive;
      for (std::uint32_t I = 0; I < Count; I += PerPrimitive) {
        const std::size_t Start = Vertices_.size();
        for (std::uint32_t K = 0; K < PerPrimitive; ++K) {
          Vertices_.push_back(Queue.Input[Queue.Indices[Batch.FirstIndex + I + K]]);
        }
        if (PerPrimitive == 3 && State.Textured) {
          WrapShortestWay(State, Vertices_[Start], Vertices_[Start + 1], Vertices_[Start + 2]);
        }
      }
      Ranges_[B].Count = static_cast<GLsizei>(Vertices_.size()) - Ranges_[B].First;
      if (PerPrimitive == 3) {
        Statistics.TrianglesSubmitted += Batch.PrimitiveCount;
        Statistics.TrianglesDrawn += Batch.PrimitiveCount;
      } else if (PerPrimitive == 1) {
        Statistics.PointsDrawn += Batch.PrimitiveCount;
      }
    }
    GL_->glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer_);
    GL_->glBufferData(GL_ARRAY_BUFFER,
                      static_cast<GLsizeiptr>(Vertices_.size() * sizeof(D3DLVERTEX)),
                      Vertices_.data(), GL_STREAM_DRAW);
  }

  // D3DWRAP_U / D3DWRAP_V: coordinates run the shorter way round the texture.
  static void WrapShortestWay(const TRasterState& State, const D3DLVERTEX& A, D3DLVERTEX& B,
                              D3DLVERTEX& C) {
    const auto Shift = [](float Reference, float Value) {
      return std::isfinite(Value) && std::isfinite(Reference) ? std::round(Value - Reference)
                                                              : 0.0f;
    };
    if (State.WrapInterpolationU) {
      B.TU -= Shift(A.TU, B.TU);
      C.TU -= Shift(A.TU, C.TU);
    }
    if (State.WrapInterpolationV) {
      B.TV -= Shift(A.TV, B.TV);
      C.TV -= Shift(A.TV, C.TV);
    }
  }

  void DoClear(const TRasterClear& Clear) {
    GL_->glScissor(Clear.Rect.Left, Clear.Rect.Top, Clear.Rect.Right - Clear.Rect.Left,
                   Clear.Rect.Bottom - Clear.Rect.Top);
    GLbitfield Mask = 0;
    if ((Clear.Flags & D3DCLEAR_TARGET) != 0) {
      const auto Channel = [&](int Shift) {
        return static_cast<float>((Clear.Colour >> Shift) & 0xFFu) / 255.0f;
      };
      GL_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      GL_->glClearColor(Channel(16), Channel(8), Channel(0), Channel(24));
      Mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((Clear.Flags & D3DCLEAR_ZBUFFER) != 0) {
      GL_->glDepthMask(GL_TRUE);
      GL_->glClearDepth(1.0);
      Mask |= GL_DEPTH_BUFFER_BIT;
    }
    GL_->glClear(Mask);
  }

  void DoBatch(const TRenderQueue& Queue, std::uint32_t Index, bool HasDepth) {
    const TRasterBatch& Batch = Queue.Batches[Index];
    const TRasterState& S = Queue.States[Batch.State];
    const TBatchRange Range = Ranges_[Index];
    if (Range.Count == 0) {
      return;
    }
    const TRect& Box = Batch.Mapping.Scissor;
    GL_->glScissor(Box.Left, Box.Top, Box.Right - Box.Left, Box.Bottom - Box.Top);
    SetDepthAndBlend(S, HasDepth);
    SetTransform(Batch);
    SetShading(S);
    GLenum Mode = GL_TRIANGLES;
    GL_->glDisable(GL_CULL_FACE);
    GL_->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (Batch.Type == D3DPT_POINTLIST) {
      Mode = GL_POINTS;
    } else if (Batch.Type == D3DPT_LINELIST) {
      Mode = GL_LINES;
    } else {
      SetCulling(S.Cull);
      if (S.Fill == D3DFILL_WIREFRAME) {
        GL_->glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      } else if (S.Fill == D3DFILL_POINT) {
        GL_->glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
      }
    }
    GL_->glDrawArrays(Mode, Range.First, Range.Count);
  }

  void SetDepthAndBlend(const TRasterState& S, bool HasDepth) {
    if (HasDepth && S.DepthTest) {
      GL_->glEnable(GL_DEPTH_TEST);
      GL_->glDepthFunc(DepthFunction(S.DepthFunction));
      GL_->glDepthMask(S.DepthWrite ? GL_TRUE : GL_FALSE);
    } else {
      GL_->glDisable(GL_DEPTH_TEST);
    }
    if (S.Blend) {
      GL_->glEnable(GL_BLEND);
      GL_->glBlendFunc(BlendFactor(S.SourceBlend), BlendFactor(S.DestBlend));
    } else {
      GL_->glDisable(GL_BLEND);
    }
  }

  // Screen x = OffsetX + ScaleX * x / w with pixel centres on integers, made
  // OpenGL's normalised coordinates with centres on half pixels.
  void SetTransform(const TRasterBatch& Batch) {
    // Our row-vector matrix read column by column is the column-vector
    // matrix OpenGL multiplies with.
    GLfloat Transform[16];
    for (int I = 0; I < 4; ++I) {
      for (int J = 0; J < 4; ++J) {
        Transform[4 * I + J] = static_cast<GLfloat>(Batch.Transform[I][J]);
      }
    }
    const TViewportMapping& M = Batch.Mapping;
    const auto W = static_cast<float>(Width_), H = static_cast<float>(Height_);
    GL_->glUniformMatrix4fv(Program_->uniformLocation("Transform"), 1, GL_FALSE, Transform);
    Program_->setUniformValue("Scale", QVector3D(2 * M.ScaleX / W, 2 * M.ScaleY / H, 2 * M.ScaleZ));
    Program_->setUniformValue("Offset",
                              QVector3D((M.OffsetX + 0.5f) * 2 / W - 1,
                                        (M.OffsetY + 0.5f) * 2 / H - 1, 2 * M.OffsetZ - 1));
  }

  // With the target's rows unflipped, a triangle running clockwise on the
  // screen (y downwards) runs counter-clockwise in OpenGL's window terms.
  void SetCulling(D3DCULL Cull) {
    if (Cull == D3DCULL_NONE) {
      return;
    }
    GL_->glEnable(GL_CULL_FACE);
    GL_->glCullFace(GL_BACK);
    GL_->glFrontFace(Cull == D3DCULL_CW ? GL_CW : GL_CCW);
  }

  void SetShading(const TRasterState& S) {
    QOpenGLShaderProgram& P = *Program_;
    P.setUniformValue("Flat", S.Shade == D3DSHADE_FLAT);
    P.setUniformValue("SpecularOn", S.Specular);
    P.setUniformValue("FogOn", S.Fog);
    P.setUniformValue("Blend", S.Blend);
    P.setUniformValue("FogColour", QVector3D(static_cast<float>((S.FogColour >> 16) & 0xFFu),
                                             static_cast<float>((S.FogColour >> 8) & 0xFFu),
                                             static_cast<float>(S.FogColour & 0xFFu)));
    P.setUniformValue("Textured", S.Textured);
    if (!S.Textured) {
      return;
    }
    P.setUniformValue("Bilinear", S.Bilinear);
    P.setUniformValue("Perspective", S.Perspective);
    P.setUniformValue("WrapU", S.WrapAddressU);
    P.setUniformValue("WrapV", S.WrapAddressV);
    P.setUniformValue("UseKey", S.ColourKey);
    P.setUniformValue("HasKey", S.Texture.HasKey);
    P.setUniformValue("TextureAlpha", S.Texture.HasAlpha);
    P.setUniformValue("TextureBlend", static_cast<GLint>(S.TextureBlend));
    GL_->glUniform1ui(P.uniformLocation("KeyLow"), S.Texture.Key.Low & 0xFFFFFFu);
    GL_->glUniform1ui(P.uniformLocation("KeyHigh"), S.Texture.Key.High & 0xFFFFFFu);
    GL_->glActiveTexture(GL_TEXTURE0);
    GL_->glBindTexture(GL_TEXTURE_2D, TextureOf(S.Texture));
    P.setUniformValue("Texture", 0);
  }

  // Texels go in as integers so that the shader addresses, filters and keys
  // them exactly as the rasterizer does.
  GLuint TextureOf(const TRasterTexture& T) {
    const auto Found = Textures_.find(T.Texels);
    if (Found != Textures_.end()) {
      return Found->second;
    }
    GLuint Texture = 0;
    GL_->glGenTextures(1, &Texture);
    GL_->glBindTexture(GL_TEXTURE_2D, Texture);
    GL_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    GL_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    GL_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8UI, T.Width, T.Height, 0, GL_RGBA_INTEGER,
                      GL_UNSIGNED_BYTE, T.Texels);
    Textures_.emplace(T.Texels, Texture);
    return Texture;
  }

  void ReadBack(const TRasterTarget& Target, const TPresentRows* Present) {
    GL_->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    GL_->glReadPixels(0, 0, Width_, Height_, GL_BGRA, GL_UNSIGNED_BYTE, Target.Colour);
    if (!Target.ColourHasAlpha) {
      const std::size_t Count =
          static_cast<std::size_t>(Width_) * static_cast<std::size_t>(Height_);
      for (std::size_t I = 0; I < Count; ++I) {
        Target.Colour[I] |= 0xFF000000u;
      }
    }
    if (Target.Depth != nullptr) {
      GL_->glReadPixels(0, 0, Width_, Height_, GL_DEPTH_COMPONENT, GL_FLOAT, Target.Depth);
    }
    if (Present != nullptr) {
      const TRect& From = Present->Source;
      const auto Columns = static_cast<std::size_t>(From.Right - From.Left);
      for (std::int32_t Y = From.Top; Y < From.Bottom; ++Y) {
        CopyRun(Present->Destination + static_cast<std::size_t>(Y - From.Top) * Present->Pitch,
                Target.ColourRow(Y) + From.Left, Columns, Present->Stores);
      }
      FinishStreamingStores();
    }
  }

  std::int32_t Width_;
  std::int32_t Height_;
  std::unique_ptr<QOffscreenSurface> Surface_;
  std::unique_ptr<QOpenGLContext> Context_;
  QOpenGLFunctions_3_3_Core* GL_ = nullptr; // owned by the context
  std::unique_ptr<QOpenGLFramebufferObject> Framebuffer_;
  std::unique_ptr<QOpenGLShaderProgram> Program_;
  GLuint DepthTexture_ = 0;
  GLuint VertexArray_ = 0;
  GLuint VertexBuffer_ = 0;
  std::vector<D3DLVERTEX> Vertices_;
  std::vector<TBatchRange> Ranges_;
  std::map<const std::uint32_t*, GLuint> Textures_; // of one execution
};

} // namespace

TDeviceDescription OpenGLHardwareDescription() {
  TPrimitiveCaps Caps;
  Caps.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL | D3DPRASTERCAPS_FOGVERTEX;
  Caps.ZCmpCaps = 0xFF;
  Caps.ShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB |
                   D3DPSHADECAPS_SPECULARFLATRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                   D3DPSHADECAPS_ALPHAFLATBLEND | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                   D3DPSHADECAPS_FOGFLAT | D3DPSHADECAPS_FOGGOURAUD;
  Caps.TextureCaps =
      D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_TRANSPARENCY;
  Caps.TextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR;
  Caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP;
  TDeviceDescription D;
  D.Flags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_LINECAPS | D3DDD_TRICAPS |
            D3DDD_DEVICERENDERBITDEPTH | D3DDD_DEVICEZBUFFERBITDEPTH;
  D.ColourModel = D3DCOLOR_RGB;
  D.LineCaps = Caps;
  D.TriangleCaps = Caps;
  D.RenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  D.ZBufferBitDepth = DDBD_32;
  D.MinTextureWidth = D.MinTextureHeight = 1;
  D.MaxTextureWidth = D.MaxTextureHeight = 4096;
  return D;
}

HRESULT CreateOpenGLDevice(std::shared_ptr<TMemorySurface> Target,
                           std::shared_ptr<I3DDevice>& Result, std::string& Reason) {
  Result.reset();
  auto Executor = std::make_unique<TOpenGLExecutor>(Target->Width(), Target->Height());
  if (!Executor->Build(Reason)) {
    return D3DERR_INVALID_DEVICE;
  }
  Result = std::make_shared<TSoftwareDevice>(std::move(Target), OpenGLHardwareDescription(),
                                             TDeviceDescription{}, std::move(Executor));
  return DD_OK;
}

} // namespace kestrava
