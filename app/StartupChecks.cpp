#include "app/StartupChecks.h"

#include "render/DeviceEnumeration.h"
#include "render/DirectXResultCodes.h"

#include <memory>

namespace kestrava {

bool DisplayDepthSufficient(std::int32_t BitsPerPixel) {
  return BitsPerPixel >= 16;
}

bool GraphicsDevicesAvailable() {
  std::shared_ptr<IDirectDrawLayer> Drawing;
  if (DirectDrawCreate(nullptr, Drawing) != DD_OK || Drawing->QueryDirectDraw4() != DD_OK)
    return false;
  std::shared_ptr<IDirectDrawLayer> ForThreeD;
  if (DirectDrawCreate(nullptr, ForThreeD) != DD_OK)
    return false;
  std::shared_ptr<IDirect3DLayer> ThreeD;
  return ForThreeD->QueryDirect3D(ThreeD) == DD_OK;
}

} // namespace kestrava
