#pragma once
// Everything the page editor and the application shell use of the drawing,
// geometry, pixel, file-dialog and image-file helpers, in one include.
#include "imaging/DashedLine.h"
#include "imaging/DrawPrimitives.h"
#include "imaging/FileDialogs.h"
#include "imaging/Geometry2D.h"
#include "imaging/ImageFiles.h"
#include "imaging/ImagingResult.h"
#include "imaging/PixelOps.h"
#include "imaging/SPoint.h"
#include "imaging/SoftEdges.h"
#include "imaging/Utilities.h"
