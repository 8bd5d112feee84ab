#pragma once

#include "platform/imaging/ImageIO.h"

#include "platform/imaging/Vips.h"

#include <QString>

// Internal to the imaging layer: the writers of ImageIO::encode for an 8-bit sRGB libvips image that
// already carries the profile and nothing else, shared with the renderings that stream a photo straight
// into its written file. Throws vips::VError when libvips fails; false when the file cannot be written.
namespace quavel::VipsEncode {

bool write(const vips::VImage& view, const QString& path, ImageIO::Format format, int quality);

// A copy of image whose metadata is the ICC profile alone (no EXIF, XMP, IPTC or orientation).
vips::VImage withProfileOnly(const vips::VImage& image);

} // namespace quavel::VipsEncode
