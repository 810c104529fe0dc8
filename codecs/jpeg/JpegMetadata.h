// Where a JPEG file keeps its metadata: APP1 segments for the EXIF block and
// the XMP packet (and the extended XMP that does not fit one segment), APP2
// segments for the ICC profile, cut into numbered chunks. Pure functions
// over the segments' payloads, so that both directions are tested without
// a codec.
#pragma once

#include "metadata/PhotoMetadata.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fovella::jpeg {

constexpr int kApp1 = 0xE1;
constexpr int kApp2 = 0xE2;

struct Segment {
    int marker;  // kApp1 or kApp2
    std::vector<std::uint8_t> payload;
};

// Sorts the file's APP1 and APP2 payloads, in file order, into `metadata`
// (emptied first). The EXIF block is the first APP1 payload that is not
// XMP; the XMP packet the first standard XMP payload. The profile's chunks
// are joined by their sequence numbers; a set that does not fit together
// (a number twice, one missing, counts that disagree) gives no profile and
// a reason in `problem`.
void ReadSegments(const std::vector<Segment>& segments, PhotoMetadata& metadata, std::string& problem);

// The segments that carry `metadata` in a JPEG file, in the order they
// follow the JFIF marker: EXIF, XMP, extended XMP, the profile's chunks
// (each as large as a segment allows). A part larger than the format can
// carry (the XMP packet beyond one segment, the profile beyond 255 chunks,
// an EXIF block beyond one segment) is left out, and `problem` says so;
// empty when everything fits.
std::vector<Segment> MakeSegments(const PhotoMetadata& metadata, std::string& problem);

}  // namespace fovella::jpeg
