#pragma once
// The layer's one surface implementation: colour or depth memory in system
// RAM, or the memory-less primary surface that forwards blits to a window.
//
// Devices read and write the memory directly while they carry out recorded
// drawing; a surface that such drawing still waits to use tells the device
// to finish it before anything else touches the pixels (IPendingDrawing).
// Thread: as IDrawSurface.

#include "render/DrawSurface.h"

#include <memory>
#include <optional>
#include <vector>

class QImage;
class QPainter;

namespace kestrava {

class IDrawClipper;
class TMemorySurface;
struct TPresentRows;

// A device with recorded drawing that reads or writes a surface.
class IPendingDrawing {
public:
  // Carries out (or, when its target is lost, drops) everything recorded and
  // stops being a pending user of every surface.
  virtual void FinishPendingDrawing() = 0;
  // The same, when Source is this user's target and it has drawing to carry
  // out, with the finished rows of Present.Source also written to
  // Present.Destination on the way. False (and nothing done) otherwise.
  virtual bool FinishPendingDrawingInto(const TMemorySurface& Source,
                                        const TPresentRows& Present) = 0;

protected:
  ~IPendingDrawing() = default;
};

enum class TSurfaceKind { Primary, Colour, Depth };

class TMemorySurface final : public IDrawSurface,
                             public std::enable_shared_from_this<TMemorySurface> {
public:
  // Description as validated by the layer: Width/Height >= 1 for colour and
  // depth surfaces; the pixel format one of the layer's formats.
  TMemorySurface(TSurfaceKind Kind, const TSurfaceDescription& Description);
  ~TMemorySurface() override;
  TMemorySurface(const TMemorySurface&) = delete;
  TMemorySurface& operator=(const TMemorySurface&) = delete;

  HRESULT GetSurfaceDesc(TSurfaceDescription& Description) const override;
  HRESULT IsLost() const override;
  HRESULT Restore() override;
  HRESULT Blt(const TRect* DestRect, IDrawSurface* Source, const TRect* SourceRect,
              std::uint32_t Flags, const TBltEffects* Effects) override;
  HRESULT SetColorKey(std::uint32_t Flags, const TColourKey* Key) override;
  HRESULT GetColorKey(std::uint32_t Flags, TColourKey& Key) const override;
  HRESULT GetDC(QPainter*& Painter) override;
  HRESULT ReleaseDC(QPainter* Painter) override;
  HRESULT Lock(TLockedSurface& Locked) override;
  HRESULT Unlock() override;
  HRESULT AddAttachedSurface(const std::shared_ptr<IDrawSurface>& Attached) override;
  HRESULT GetAttachedSurface(const TSurfaceCaps& Caps,
                             std::shared_ptr<IDrawSurface>& Attached) const override;
  HRESULT SetClipper(const std::shared_ptr<IDrawClipper>& Clipper) override;
  HRESULT QueryTexture(std::shared_ptr<I3DTexture>& Texture) override;

  // For the layer and the devices.
  TSurfaceKind Kind() const { return Kind_; }
  std::int32_t Width() const { return Description_.Width; }
  std::int32_t Height() const { return Description_.Height; }
  bool HasAlpha() const { return (Description_.PixelFormat.Flags & DDPF_ALPHAPIXELS) != 0; }
  std::uint32_t Caps() const { return Description_.Caps.Caps; }
  bool Lost() const { return Lost_; }
  bool Locked() const { return Lock_ != TLock::None; }
  // Rows of Width words (colour) or floats (depth), Width apart; empty for
  // the primary surface.
  std::uint32_t* ColourPixels() { return Colour_.data(); }
  const std::uint32_t* ColourPixels() const { return Colour_.data(); }
  float* DepthPixels() { return Depth_.data(); }
  const std::optional<TColourKey>& SourceKey() const { return SourceKey_; }
  std::shared_ptr<TMemorySurface> DepthBuffer() const { return DepthBuffer_; }
  void SetNextMipLevel(std::shared_ptr<TMemorySurface> Next) { NextLevel_ = std::move(Next); }

  // Loses the memory until Restore (a display change does this to every
  // surface of the layer). Attached surfaces are not affected.
  void MarkLost();

  // A device registers while it has recorded drawing that uses this surface
  // and unregisters when that drawing is done. Registering twice is harmless.
  void AddPendingUser(IPendingDrawing* User);
  void RemovePendingUser(IPendingDrawing* User);
  // Lets every pending user finish before the pixels or the key are touched.
  void FinishPendingUsers();
  void FinishPendingUsersExcept(const IPendingDrawing* User);

private:
  enum class TLock { None, Memory, DrawingContext };

  HRESULT ColourFill(const TRect& Dest, std::uint32_t Value);
  HRESULT CopyFrom(const TRect& Dest, TMemorySurface& Source, const TRect& SourceRect,
                   const std::optional<TColourKey>& Key);
  HRESULT PresentFrom(const TRect& ScreenRect, TMemorySurface& Source, const TRect& SourceRect);
  static void PresentInto(const TWindowMemory& Window, const TRect& ScreenRect,
                          TMemorySurface& Source, const TRect& SourceRect);
  void ZeroMemory();
  std::uint32_t StoredColour(std::uint32_t Value) const;

  TSurfaceKind Kind_;
  TSurfaceDescription Description_;
  std::vector<std::uint32_t> Colour_;
  std::vector<float> Depth_;
  bool Lost_ = false;
  TLock Lock_ = TLock::None;
  std::optional<TColourKey> SourceKey_;
  std::shared_ptr<TMemorySurface> DepthBuffer_;
  std::shared_ptr<TMemorySurface> NextLevel_;
  std::shared_ptr<IDrawClipper> Clipper_;
  std::unique_ptr<QImage> ContextImage_;
  std::unique_ptr<QPainter> ContextPainter_;
  std::vector<IPendingDrawing*> PendingUsers_;
};

// Validates a blit rectangle against a surface of Width x Height; null means
// the whole surface.
bool ResolveBltRect(const TRect* Rect, std::int32_t Width, std::int32_t Height, TRect& Result);

} // namespace kestrava
