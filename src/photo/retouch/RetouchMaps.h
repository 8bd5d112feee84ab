#pragma once

#include "platform/imaging/FloatImage.h"
#include "platform/imaging/SampledFunction.h"

#include <QSize>

#include <vector>

// Internal to the retoucher: the blurred luma maps of the shadows and highlights stage.
namespace quavel::PhotoRetoucher::detail {

// The stage's luma map Y(lin(c · scale + offset)), blurred with a gaussian of sigma. A wide blur is made
// on a copy reduced by `factor` (block means) with the sigma left after the reduction and the
// interpolation, and read back by bilinear interpolation: the blurred map is smooth at that scale, and
// the blur then costs next to nothing.
class LumaMap
{
public:
    LumaMap() = default;
    LumaMap(FloatPlane reduced, int factor, int width, int height);

    bool isNull() const { return m_map.isNull(); }

    // The map's values at columns [x0, x0 + n) of row y.
    void sample(int y, int x0, int n, float* out, std::vector<float>& scratch) const;

private:
    FloatPlane m_map;
    int m_factor = 1;
    std::vector<int> m_column; // left neighbour in the reduced map, per full column
    std::vector<float> m_weight; // weight of the right neighbour
};

// The reduction for a sigma: none below 8, then a quarter of sigma.
int mapFactor(double sigma);

// Whether the map of a blur over that reduction is made once for the whole image: when the reduction is
// of 3 or more (the map then takes a ninth of the image's pixels at most) or the whole map is small (a
// preview's); a map that would cost more is made by each tile of the rendering over its own
// neighbourhood, at full resolution, so that no map ever costs a good part of a plane of the photo.
bool wholeImageMap(int factor, QSize imageSize);

// The curve lin(c · scale + offset), sampled.
SampledFunction linearLoad(float scale, float offset);

// The stage's map Y(lin(c · scale + offset)) of n pixels whose colour samples are in[0..2]: through the
// sampled curve when every sample lies in [0, 1], else through the formula.
void lumaRow(const float* const in[3], int n, const SampledFunction& linear, float scale, float offset,
    float* out, float* work);

// The reduced (factor 1: full) unblurred map.
FloatPlane reducedLumaMap(const FloatImage& image, float scale, float offset, int factor);

// The reduced map blurred for sigma; parallel: its rows over the RowPool (false when several maps are
// blurred side by side).
LumaMap blurMap(
    const FloatPlane& reduced, int factor, double sigma, int width, int height, bool parallel = true);

} // namespace quavel::PhotoRetoucher::detail
