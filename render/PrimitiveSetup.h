#pragma once
// The first stage of the software rasterizer: turns recorded primitives into
// screen primitives - trivial rejection, clipping in homogeneous space,
// projection and snapping to the subpixel grid, culling, and the splitting
// of wireframe triangles into lines. See SoftwareRasterizer.h for the rules.
//
// Thread: any; it reads the queue and writes only what it is given to fill.

#include "render/SoftwareRasterizer.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace kestrava {

// Appends the screen primitives of the queue's primitives First .. Last - 1
// (counted through all batches in order) to Output, in that order, and
// counts them in Statistics. Their vertices point into Queue.Screen or, for
// vertices that are not there as they are drawn (cut by clipping, flat
// colours, texture wrapping), into MadeVertices, which gets them appended;
// both must stay as they are while the primitives are used.
void SetupPrimitives(const TRenderQueue& Queue, std::int64_t First, std::int64_t Last,
                     std::vector<TScreenPrimitive>& Output, std::deque<TScreenVertex>& MadeVertices,
                     TDrawStatistics& Statistics);

// Works out Codes and Screen (already sized like Input) for the input
// vertices First .. Last - 1: each vertex's outcode in the clip volume and,
// when it needs no clipping, its screen position, so that shared vertices
// are projected once.
void PrepareVertices(TRenderQueue& Queue, std::size_t First, std::size_t Last);

// The primitive count of IndexCount indices of Type.
std::int64_t PrimitiveCount(D3DPRIMITIVETYPE Type, std::uint32_t IndexCount);

} // namespace kestrava
