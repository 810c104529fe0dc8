// The mark that Fovella leaves in the XMP packet of every result it writes:
// the property CorrectionScale (the scale m of the correction, in pixels)
// in Fovella's own namespace. A file that carries it has been corrected
// once; correcting it again would bend it twice.
#pragma once

#include "metadata/PhotoMetadata.h"

#include <cstddef>
#include <optional>
#include <string>

namespace fovella {

extern const char kFovellaXmpNamespace[];  // "http://ns.fovella.org/1.0/"

// The scale of the correction that `xmp` says was done, or nothing when the
// packet carries no mark (or none that reads as a number). The property is
// found as an attribute or as an element, under whatever prefix the packet
// binds to the namespace, so a packet that another program rewrote still
// tells.
std::optional<double> CorrectionMarkScale(const std::string& xmp);

// `xmp` with the mark for a correction at `scale`: a packet of its own when
// `xmp` is empty; else the mark merged into it (its value replaced when it
// has one already, else a description added before the packet's end of
// RDF, taking what it needs from the packet's trailing padding), the rest
// of the packet byte for byte (a UTF-16 packet turned into UTF-8 first).
// Empty when `xmp` is not a packet that can be merged into (no RDF
// element, or one so malformed that the merged mark would not read back):
// the caller keeps the packet as it was.
std::string WithCorrectionMark(const std::string& xmp, double scale);

// What a JPEG file's one XMP segment holds of a packet, in bytes: a packet
// the mark would push beyond it is left unmarked rather than fail the save.
extern const std::size_t kMaxMarkedXmp;

// `metadata` as a result corrected at `scale` carries it: the same, with
// the mark in its XMP packet (left as it is when that cannot be merged, or
// when the mark would make it larger than kMaxMarkedXmp).
PhotoMetadata MarkedAsCorrected(PhotoMetadata metadata, double scale);

// The words that refuse a marked file: "already corrected by Fovella at
// scale 2524.16 px".
std::string AlreadyCorrectedText(double scale);

}  // namespace fovella
