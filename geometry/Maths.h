#pragma once
// The whole geometry toolkit in one include.
#include "geometry/Curves.h"
#include "geometry/Matrices.h"
#include "geometry/Vectors.h"
