#include "render/MemorySurface.h"

#include "render/DirectXResultCodes.h"
#include "render/MemoryFill.h"
#include "render/SoftwareRasterizer.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace kestrava {

namespace {

constexpr std::uint32_t OpaqueAlpha = 0xFF000000u;

class TSurfaceTexture final : public I3DTexture {
public:
  explicit TSurfaceTexture(std::shared_ptr<IDrawSurface> Surface) : Surface_(std::move(Surface)) {}
  std::shared_ptr<IDrawSurface> Surface() const override { return Surface_; }

private:
  std::shared_ptr<IDrawSurface> Surface_;
};

std::size_t PixelCount(const TSurfaceDescription& Description) {
  return static_cast<std::size_t>(Description.Width) * static_cast<std::size_t>(Description.Height);
}

std::size_t Index(std::int32_t X, std::int32_t Y, std::int32_t Width) {
  return static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) +
         static_cast<std::size_t>(X);
}

} // namespace

bool ResolveBltRect(const TRect* Rect, std::int32_t Width, std::int32_t Height, TRect& Result) {
  Result = Rect != nullptr ? *Rect : TRect{0, 0, Width, Height};
  return !Result.IsEmpty() && Result.Left >= 0 && Result.Top >= 0 && Result.Right <= Width &&
         Result.Bottom <= Height;
}

TMemorySurface::TMemorySurface(TSurfaceKind Kind, const TSurfaceDescription& Description)
    : Kind_(Kind), Description_(Description) {
  Description_.Flags |= DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  Description_.Pitch = Kind == TSurfaceKind::Primary ? 0 : Description_.Width * 4;
  if (Kind == TSurfaceKind::Colour) {
    Colour_.assign(PixelCount(Description_), OpaqueAlpha);
  } else if (Kind == TSurfaceKind::Depth) {
    Depth_.assign(PixelCount(Description_), 0.0f);
  }
}

TMemorySurface::~TMemorySurface() {
  // A painter must end before the image it paints on goes.
  ContextPainter_.reset();
  ContextImage_.reset();
}

HRESULT TMemorySurface::GetSurfaceDesc(TSurfaceDescription& Description) const {
  Description = Description_;
  return DD_OK;
}

HRESULT TMemorySurface::IsLost() const {
  return Lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT TMemorySurface::Restore() {
  if (Lost_) {
    FinishPendingUsers();
    ZeroMemory();
    Lost_ = false;
  }
  return DD_OK;
}

void TMemorySurface::MarkLost() {
  // Drawing recorded before the loss belongs to the old memory; let it land
  // there (it is thrown away with the memory) rather than in the restored one.
  FinishPendingUsers();
  Lost_ = true;
}

void TMemorySurface::ZeroMemory() {
  std::fill(Colour_.begin(), Colour_.end(), OpaqueAlpha);
  std::fill(Depth_.begin(), Depth_.end(), 0.0f);
}

std::uint32_t TMemorySurface::StoredColour(std::uint32_t Value) const {
  return HasAlpha() ? Value : (Value | OpaqueAlpha);
}

HRESULT TMemorySurface::Blt(const TRect* DestRect, IDrawSurface* Source, const TRect* SourceRect,
                            std::uint32_t Flags, const TBltEffects* Effects) {
  if (Lost_) {
    return DDERR_SURFACELOST;
  }
  if (Locked()) {
    return DDERR_SURFACEBUSY;
  }
  if ((Flags & DDBLT_COLORFILL) != 0) {
    if (Effects == nullptr) {
      return DDERR_INVALIDPARAMS;
    }
    if (Kind_ != TSurfaceKind::Colour) {
      return DDERR_UNSUPPORTED;
    }
    TRect Dest;
    if (!ResolveBltRect(DestRect, Width(), Height(), Dest)) {
      return DDERR_INVALIDRECT;
    }
    return ColourFill(Dest, Effects->FillColour);
  }

  auto* From = dynamic_cast<TMemorySurface*>(Source);
  if (From == nullptr) {
    return DDERR_INVALIDPARAMS;
  }
  if (From->Lost_) {
    return DDERR_SURFACELOST;
  }
  if (From->Kind_ != TSurfaceKind::Colour) {
    return DDERR_UNSUPPORTED;
  }
  if (From != this && From->Locked()) {
    return DDERR_SURFACEBUSY;
  }
  TRect FromRect;
  if (!ResolveBltRect(SourceRect, From->Width(), From->Height(), FromRect)) {
    return DDERR_INVALIDRECT;
  }
  std::optional<TColourKey> Key;
  if ((Flags & DDBLT_KEYSRCOVERRIDE) != 0) {
    if (Effects == nullptr) {
      return DDERR_INVALIDPARAMS;
    }
    Key = Effects->SourceColourKey;
  } else if ((Flags & DDBLT_KEYSRC) != 0) {
    if (!From->SourceKey_) {
      return DDERR_NOCOLORKEY;
    }
    Key = From->SourceKey_;
  }

  if (Kind_ == TSurfaceKind::Primary) {
    if (DestRect == nullptr || DestRect->IsEmpty()) {
      return DDERR_INVALIDRECT;
    }
    return PresentFrom(*DestRect, *From, FromRect);
  }
  if (Kind_ != TSurfaceKind::Colour) {
    return DDERR_UNSUPPORTED;
  }
  TRect Dest;
  if (!ResolveBltRect(DestRect, Width(), Height(), Dest)) {
    return DDERR_INVALIDRECT;
  }
  return CopyFrom(Dest, *From, FromRect, Key);
}

HRESULT TMemorySurface::ColourFill(const TRect& Dest, std::uint32_t Value) {
  FinishPendingUsers();
  if (Lost_) {
    return DDERR_SURFACELOST;
  }
  const std::uint32_t Stored = StoredColour(Value);
  for (std::int32_t Y = Dest.Top; Y < Dest.Bottom; ++Y) {
    auto* Row = Colour_.data() + Index(0, Y, Width());
    std::fill(Row + Dest.Left, Row + Dest.Right, Stored);
  }
  return DD_OK;
}

HRESULT TMemorySurface::CopyFrom(const TRect& Dest, TMemorySurface& Source, const TRect& SourceRect,
                                 const std::optional<TColourKey>& Key) {
  FinishPendingUsers();
  Source.FinishPendingUsers();
  if (Lost_ || Source.Lost_) {
    return DDERR_SURFACELOST;
  }
  const std::int32_t DestWidth = Dest.Right - Dest.Left;
  const std::int32_t DestHeight = Dest.Bottom - Dest.Top;
  const std::int32_t SourceWidth = SourceRect.Right - SourceRect.Left;
  const std::int32_t SourceHeight = SourceRect.Bottom - SourceRect.Top;

  // A blit within one surface may overlap itself; read from a copy then.
  std::vector<std::uint32_t> Copy;
  const std::uint32_t* From = Source.Colour_.data();
  if (&Source == this) {
    Copy = Source.Colour_;
    From = Copy.data();
  }
  const bool Stretch = DestWidth != SourceWidth || DestHeight != SourceHeight;
  const std::uint32_t Forced = HasAlpha() ? 0u : OpaqueAlpha;
  for (std::int32_t Y = 0; Y < DestHeight; ++Y) {
    // The nearest source pixel to each destination pixel's centre, in exact
    // integer arithmetic so that a stretch is the same on every machine.
    const std::int32_t SourceY =
        Stretch
            ? SourceRect.Top +
                  static_cast<std::int32_t>((2 * static_cast<std::int64_t>(Y) + 1) * SourceHeight /
                                            (2 * static_cast<std::int64_t>(DestHeight)))
            : SourceRect.Top + Y;
    const std::uint32_t* SourceRow = From + Index(0, SourceY, Source.Width());
    std::uint32_t* DestRow = Colour_.data() + Index(Dest.Left, Dest.Top + Y, Width());
    if (!Stretch && !Key) {
      const std::uint32_t* Begin = SourceRow + SourceRect.Left;
      if (Forced == 0) {
        std::memcpy(DestRow, Begin, static_cast<std::size_t>(DestWidth) * 4);
      } else {
        for (std::int32_t X = 0; X < DestWidth; ++X) {
          DestRow[X] = Begin[X] | Forced;
        }
      }
      continue;
    }
    for (std::int32_t X = 0; X < DestWidth; ++X) {
      const std::int32_t SourceX =
          Stretch
              ? SourceRect.Left +
                    static_cast<std::int32_t>((2 * static_cast<std::int64_t>(X) + 1) * SourceWidth /
                                              (2 * static_cast<std::int64_t>(DestWidth)))
              : SourceRect.Left + X;
      const std::uint32_t Pixel = SourceRow[SourceX];
      if (Key && MatchesColourKey(Pixel, *Key)) {
        continue;
      }
      DestRow[X] = Pixel | Forced;
    }
  }
  return DD_OK;
}

HRESULT TMemorySurface::PresentFrom(const TRect& ScreenRect, TMemorySurface& Source,
                                    const TRect& SourceRect) {
  if (!Clipper_) {
    return DDERR_NOCLIPPERATTACHED;
  }
  IPresentTarget* Window = Clipper_->Window();
  if (Window == nullptr) {
    return DDERR_NOHWND;
  }
  const bool SameSize = ScreenRect.Right - ScreenRect.Left == SourceRect.Right - SourceRect.Left &&
                        ScreenRect.Bottom - ScreenRect.Top == SourceRect.Bottom - SourceRect.Top;
  if (SameSize && !Source.HasAlpha()) {
    if (const std::optional<TWindowMemory> Memory = Window->DirectMemory()) {
      PresentInto(*Memory, ScreenRect, Source, SourceRect);
      return DD_OK;
    }
  }
  Source.FinishPendingUsers();
  if (Source.Lost_) {
    return DDERR_SURFACELOST;
  }
  const QImage Image(reinterpret_cast<const uchar*>(Source.Colour_.data()), Source.Width(),
                     Source.Height(), static_cast<qsizetype>(Source.Width()) * 4,
                     Source.HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  Window->Present(Image, SourceRect, ScreenRect);
  return DD_OK;
}

// An opaque copy without stretching: the window shows exactly the source
// pixels, so the device that still has to draw them may write them there
// itself as it finishes each band.
void TMemorySurface::PresentInto(const TWindowMemory& Window, const TRect& ScreenRect,
                                 TMemorySurface& Source, const TRect& SourceRect) {
  const TRect Shown{ScreenRect.Left - Window.ScreenLeft, ScreenRect.Top - Window.ScreenTop,
                    ScreenRect.Right - Window.ScreenLeft, ScreenRect.Bottom - Window.ScreenTop};
  TRect Visible;
  if (Window.Pixels == nullptr ||
      !IntersectRectangles(Shown, {0, 0, Window.Width, Window.Height}, Visible)) {
    Source.FinishPendingUsers();
    return;
  }
  TPresentRows Rows;
  Rows.Source = {
      SourceRect.Left + Visible.Left - Shown.Left, SourceRect.Top + Visible.Top - Shown.Top,
      SourceRect.Left + Visible.Right - Shown.Left, SourceRect.Top + Visible.Bottom - Shown.Top};
  Rows.Pitch = Window.Pitch;
  Rows.Destination = Window.Pixels + static_cast<std::size_t>(Visible.Top) * Window.Pitch +
                     static_cast<std::size_t>(Visible.Left);
  Rows.Stores = Window.OutgrowsCache ? TStores::AroundCache : TStores::ThroughCache;
  if (Source.PendingUsers_.size() == 1 &&
      Source.PendingUsers_.front()->FinishPendingDrawingInto(Source, Rows)) {
    return;
  }
  Source.FinishPendingUsers();
  if (Source.Lost_) {
    return;
  }
  const auto Columns = static_cast<std::size_t>(Rows.Source.Right - Rows.Source.Left);
  for (std::int32_t Y = Rows.Source.Top; Y < Rows.Source.Bottom; ++Y) {
    CopyRun(Rows.Destination + static_cast<std::size_t>(Y - Rows.Source.Top) * Rows.Pitch,
            Source.Colour_.data() + Index(Rows.Source.Left, Y, Source.Width()), Columns,
            Rows.Stores);
  }
  FinishStreamingStores();
}

HRESULT TMemorySurface::SetColorKey(std::uint32_t Flags, const TColourKey* Key) {
  if (Flags != DDCKEY_SRCBLT) {
    return DDERR_INVALIDPARAMS;
  }
  // Recorded drawing samples this surface with the key it had when drawn.
  FinishPendingUsers();
  if (Key != nullptr) {
    SourceKey_ = *Key;
  } else {
    SourceKey_.reset();
  }
  return DD_OK;
}

HRESULT TMemorySurface::GetColorKey(std::uint32_t Flags, TColourKey& Key) const {
  if (Flags != DDCKEY_SRCBLT) {
    return DDERR_INVALIDPARAMS;
  }
  if (!SourceKey_) {
    return DDERR_NOCOLORKEY;
  }
  Key = *SourceKey_;
  return DD_OK;
}

HRESULT TMemorySurface::GetDC(QPainter*& Painter) {
  Painter = nullptr;
  if (Kind_ != TSurfaceKind::Colour) {
    return DDERR_CANTCREATEDC;
  }
  if (Lost_) {
    return DDERR_SURFACELOST;
  }
  if (Locked()) {
    return DDERR_SURFACEBUSY;
  }
  FinishPendingUsers();
  if (Lost_) {
    return DDERR_SURFACELOST;
  }
  ContextImage_ =
      std::make_unique<QImage>(reinterpret_cast<uchar*>(Colour_.data()), Width(), Height(),
                               static_cast<qsizetype>(Width()) * 4,
                               HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  ContextPainter_ = std::make_unique<QPainter>(ContextImage_.get());
  if (!ContextPainter_->isActive()) {
    ContextPainter_.reset();
    ContextImage_.reset();
    return DDERR_CANTCREATEDC;
  }
  Lock_ = TLock::DrawingContext;
  Painter = ContextPainter_.get();
  return DD_OK;
}

HRESULT TMemorySurface::ReleaseDC(QPainter* Painter) {
  if (Lock_ != TLock::DrawingContext || Painter == nullptr || Painter != ContextPainter_.get()) {
    return DDERR_NODC;
  }
  ContextPainter_->end();
  ContextPainter_.reset();
  ContextImage_.reset();
  Lock_ = TLock::None;
  return DD_OK;
}

HRESULT TMemorySurface::Lock(TLockedSurface& Locked) {
  Locked = {};
  if (Kind_ == TSurfaceKind::Primary) {
    return DDERR_UNSUPPORTED;
  }
  if (Lost_) {
    return DDERR_SURFACELOST;
  }
  if (this->Locked()) {
    return DDERR_SURFACEBUSY;
  }
  FinishPendingUsers();
  if (Lost_) {
    return DDERR_SURFACELOST; // the drawing found its context gone
  }
  Lock_ = TLock::Memory;
  Locked.Bits = Kind_ == TSurfaceKind::Colour ? static_cast<void*>(Colour_.data())
                                              : static_cast<void*>(Depth_.data());
  Locked.Pitch = Description_.Pitch;
  Locked.Width = Width();
  Locked.Height = Height();
  Locked.PixelFormat = Description_.PixelFormat;
  return DD_OK;
}

HRESULT TMemorySurface::Unlock() {
  if (Lock_ != TLock::Memory) {
    return DDERR_NOTLOCKED;
  }
  Lock_ = TLock::None;
  return DD_OK;
}

HRESULT TMemorySurface::AddAttachedSurface(const std::shared_ptr<IDrawSurface>& Attached) {
  auto Depth = std::dynamic_pointer_cast<TMemorySurface>(Attached);
  if (Kind_ != TSurfaceKind::Colour || !Depth || Depth->Kind_ != TSurfaceKind::Depth ||
      Depth->Width() != Width() || Depth->Height() != Height()) {
    return DDERR_CANNOTATTACHSURFACE;
  }
  if (DepthBuffer_) {
    return DDERR_SURFACEALREADYATTACHED;
  }
  FinishPendingUsers();
  DepthBuffer_ = std::move(Depth);
  return DD_OK;
}

HRESULT TMemorySurface::GetAttachedSurface(const TSurfaceCaps& Caps,
                                           std::shared_ptr<IDrawSurface>& Attached) const {
  Attached.reset();
  const auto Has = [&](const std::shared_ptr<TMemorySurface>& Candidate) {
    return Candidate && (Candidate->Caps() & Caps.Caps) == Caps.Caps;
  };
  if ((Caps.Caps & DDSCAPS_ZBUFFER) != 0 && Has(DepthBuffer_)) {
    Attached = DepthBuffer_;
  } else if ((Caps.Caps & DDSCAPS_MIPMAP) != 0 && Has(NextLevel_)) {
    Attached = NextLevel_;
  }
  return Attached ? DD_OK : DDERR_NOTFOUND;
}

HRESULT TMemorySurface::SetClipper(const std::shared_ptr<IDrawClipper>& Clipper) {
  if (Kind_ != TSurfaceKind::Primary) {
    return DDERR_INVALIDOBJECT;
  }
  Clipper_ = Clipper;
  return DD_OK;
}

HRESULT TMemorySurface::QueryTexture(std::shared_ptr<I3DTexture>& Texture) {
  Texture.reset();
  if (Kind_ != TSurfaceKind::Colour || (Caps() & DDSCAPS_TEXTURE) == 0) {
    return E_NOINTERFACE;
  }
  Texture = std::make_shared<TSurfaceTexture>(shared_from_this());
  return DD_OK;
}

void TMemorySurface::AddPendingUser(IPendingDrawing* User) {
  if (std::find(PendingUsers_.begin(), PendingUsers_.end(), User) == PendingUsers_.end()) {
    PendingUsers_.push_back(User);
  }
}

void TMemorySurface::RemovePendingUser(IPendingDrawing* User) {
  std::erase(PendingUsers_, User);
}

void TMemorySurface::FinishPendingUsers() {
  FinishPendingUsersExcept(nullptr);
}

void TMemorySurface::FinishPendingUsersExcept(const IPendingDrawing* Kept) {
  if (PendingUsers_.empty() || (PendingUsers_.size() == 1 && PendingUsers_.front() == Kept)) {
    return;
  }
  // Each user removes itself while finishing; work on a copy.
  const std::vector<IPendingDrawing*> Users = PendingUsers_;
  for (IPendingDrawing* User : Users) {
    if (User != Kept) {
      User->FinishPendingDrawing();
    }
  }
}

} // namespace kestrava
