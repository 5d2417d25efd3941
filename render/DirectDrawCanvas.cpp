#include "render/DirectDrawCanvas.h"

#include "foundation/QelExceptions.h"

namespace kestrava {

TDirectDrawCanvas::TDirectDrawCanvas(std::shared_ptr<IDrawSurface> Surface)
    : Surface_(std::move(Surface)) {
  if (!Surface_)
    throw E_Qel_ObjectPointerIsNil();
}

TDirectDrawCanvas::~TDirectDrawCanvas() {
  ReleaseCanvasDC();
}

QPainter* TDirectDrawCanvas::Painter() {
  if (Painter_ == nullptr) {
    QPainter* Taken = nullptr;
    // Not checked: a surface that is lost or busy simply gets no text this
    // frame, and the next paint asks again.
    if (Surface_->GetDC(Taken) == 0)
      Painter_ = Taken;
  }
  return Painter_;
}

void TDirectDrawCanvas::ReleaseCanvasDC() {
  if (Painter_ != nullptr) {
    Surface_->ReleaseDC(Painter_);
    Painter_ = nullptr;
  }
}

} // namespace kestrava
