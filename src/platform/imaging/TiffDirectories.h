#pragma once

// Internal to ImageContent: the structure of a TIFF file against what a photo needs.
namespace quavel::TiffDirectories {

// Whether the open TIFF (read with pread) stays within the limits of ImageContent: its first directory
// (the image libvips loads) declares no more strips or tiles than its size needs, and the chain of
// directories holds at most kMaxTiffDirectories directories, of at most kMaxTiffDirectoryEntries entries
// each and kMaxTiffEntries in all. libvips reads every directory of the chain, whichever page it loads,
// to count the pages. A file cut short or otherwise damaged passes: libtiff reports it.
bool withinLimits(int fd);

} // namespace quavel::TiffDirectories
