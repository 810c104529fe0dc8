#include "codecs/jpeg/JpegMetadata.h"

#include <algorithm>
#include <cstring>

namespace fovella::jpeg {

namespace {

// The identifiers that open the payloads, NUL included.
constexpr char kXmpId[] = "http://ns.adobe.com/xap/1.0/";
constexpr char kExtendedXmpId[] = "http://ns.adobe.com/xmp/extension/";
constexpr char kIccId[] = "ICC_PROFILE";

// A segment's length field counts itself: 65535 - 2 bytes of payload.
constexpr std::size_t kMaxPayload = 65533;
// Behind "ICC_PROFILE\0", the chunk's sequence number (from 1) and count.
constexpr std::size_t kIccHeader = sizeof kIccId + 2;
constexpr std::size_t kMaxIccChunk = kMaxPayload - kIccHeader;

template <std::size_t N>
bool StartsWith(const std::vector<std::uint8_t>& payload, const char (&id)[N])
{
    return payload.size() >= N && std::memcmp(payload.data(), id, N) == 0;  // N counts the NUL
}

}  // namespace

void ReadSegments(const std::vector<Segment>& segments, PhotoMetadata& metadata, std::string& problem)
{
    metadata = PhotoMetadata();
    problem.clear();
    bool haveExif = false, haveXmp = false;
    std::vector<const Segment*> chunks;
    for (const Segment& segment : segments) {
        if (segment.marker == kApp2 && StartsWith(segment.payload, kIccId) && segment.payload.size() >= kIccHeader) {
            chunks.push_back(&segment);
        } else if (segment.marker != kApp1) {
            continue;
        } else if (StartsWith(segment.payload, kXmpId)) {
            if (!haveXmp)
                metadata.xmp.assign(segment.payload.begin() + sizeof kXmpId, segment.payload.end());
            haveXmp = true;
        } else if (StartsWith(segment.payload, kExtendedXmpId)) {
            metadata.extendedXmp.push_back(segment.payload);
        } else if (!haveExif) {
            metadata.exif = segment.payload;
            haveExif = true;
        }
    }
    if (chunks.empty())
        return;
    const std::size_t count = chunks.front()->payload[sizeof kIccId + 1];
    std::vector<const Segment*> ordered(count, nullptr);
    for (const Segment* chunk : chunks) {
        const std::size_t sequence = chunk->payload[sizeof kIccId];
        if (chunk->payload[sizeof kIccId + 1] != count || sequence == 0 || sequence > count ||
            ordered[sequence - 1]) {
            problem = "the colour profile's chunks do not fit together; it is left out";
            return;
        }
        ordered[sequence - 1] = chunk;
    }
    if (chunks.size() != count) {
        problem = "a chunk of the colour profile is missing; it is left out";
        return;
    }
    for (const Segment* chunk : ordered)
        metadata.iccProfile.insert(metadata.iccProfile.end(), chunk->payload.begin() + kIccHeader,
                                   chunk->payload.end());
}

std::vector<Segment> MakeSegments(const PhotoMetadata& metadata, std::string& problem)
{
    std::vector<Segment> segments;
    problem.clear();
    const auto leaveOut = [&](const std::string& what, std::size_t bytes) {
        problem += (problem.empty() ? "" : "; ") + what + " of " + std::to_string(bytes) +
                   " bytes is larger than a JPEG file holds; it is left out";
    };
    if (metadata.exif.size() > kMaxPayload)
        leaveOut("the EXIF block", metadata.exif.size());
    else if (!metadata.exif.empty())
        segments.push_back({kApp1, metadata.exif});
    if (sizeof kXmpId + metadata.xmp.size() > kMaxPayload) {
        leaveOut("the XMP packet", metadata.xmp.size());
    } else if (!metadata.xmp.empty()) {
        Segment xmp{kApp1, std::vector<std::uint8_t>(kXmpId, kXmpId + sizeof kXmpId)};
        xmp.payload.insert(xmp.payload.end(), metadata.xmp.begin(), metadata.xmp.end());
        segments.push_back(std::move(xmp));
    }
    // Parts of an extension came from segments; they fit one again.
    for (const std::vector<std::uint8_t>& part : metadata.extendedXmp)
        if (part.size() <= kMaxPayload)
            segments.push_back({kApp1, part});
    const std::size_t profile = metadata.iccProfile.size();
    const std::size_t count = (profile + kMaxIccChunk - 1) / kMaxIccChunk;
    if (count > 255) {
        leaveOut("the colour profile", profile);
        return segments;
    }
    for (std::size_t k = 0; k < count; ++k) {
        Segment chunk{kApp2, std::vector<std::uint8_t>(kIccId, kIccId + sizeof kIccId)};
        chunk.payload.push_back(std::uint8_t(k + 1));
        chunk.payload.push_back(std::uint8_t(count));
        const auto from = metadata.iccProfile.begin() + std::ptrdiff_t(k * kMaxIccChunk);
        chunk.payload.insert(chunk.payload.end(), from,
                             from + std::ptrdiff_t(std::min(kMaxIccChunk, profile - k * kMaxIccChunk)));
        segments.push_back(std::move(chunk));
    }
    return segments;
}

}  // namespace fovella::jpeg
