#pragma once

namespace quavel {

// The side or corner of a crop rectangle that a drag resizes.
enum class CropEdge { left, right, top, bottom, topLeft, topRight, bottomLeft, bottomRight };

} // namespace quavel
