// The mark is found and merged by reading the packet as text, not by an XML
// parser: XMP packets are small, their writers keep to a few forms, and a
// textual merge leaves every other byte of the packet as it was.
#include "metadata/CorrectionMark.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>

namespace fovella {

const char kFovellaXmpNamespace[] = "http://ns.fovella.org/1.0/";
const std::size_t kMaxMarkedXmp = 65504;

namespace {

constexpr char kRdfNamespace[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr char kProperty[] = "CorrectionScale";
constexpr char kPacketEnd[] = "<?xpacket end=";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The prefix that an xmlns attribute of the packet binds to `uri`; nothing
// when none does.
std::optional<std::string> PrefixOf(const std::string& xmp, const char* uri)
{
    for (std::size_t at = xmp.find("xmlns:"); at != std::string::npos; at = xmp.find("xmlns:", at + 1)) {
        const std::size_t name = at + 6;
        const std::size_t equals = xmp.find('=', name);
        if (equals == std::string::npos || equals + 1 >= xmp.size())
            return std::nullopt;
        const char quote = xmp[equals + 1];
        if (quote != '"' && quote != '\'')
            continue;
        const std::size_t end = xmp.find(quote, equals + 2);
        if (end == std::string::npos)
            return std::nullopt;
        if (xmp.compare(equals + 2, end - equals - 2, uri) == 0)
            return xmp.substr(name, equals - name);
    }
    return std::nullopt;
}

struct Span {
    std::size_t begin, end;
};

// Where the mark's value stands: inside the quotes of the attribute form
// (prefix:CorrectionScale="2524.16") or between the tags of the element
// form (<prefix:CorrectionScale>2524.16</prefix:CorrectionScale>).
std::optional<Span> FindMarkValue(const std::string& xmp)
{
    const std::optional<std::string> prefix = PrefixOf(xmp, kFovellaXmpNamespace);
    if (!prefix)
        return std::nullopt;
    const std::string name = *prefix + ":" + kProperty;
    for (std::size_t at = xmp.find(name); at != std::string::npos; at = xmp.find(name, at + 1)) {
        if (at == 0)
            continue;
        std::size_t after = at + name.size();
        const char before = xmp[at - 1];
        if (before == '<' && after < xmp.size() && xmp[after] == '>') {
            const std::size_t end = xmp.find('<', after + 1);
            if (end != std::string::npos)
                return Span{after + 1, end};
        } else if (IsSpace(before)) {
            while (after < xmp.size() && IsSpace(xmp[after]))
                ++after;
            if (after >= xmp.size() || xmp[after] != '=')
                continue;
            ++after;
            while (after < xmp.size() && IsSpace(xmp[after]))
                ++after;
            if (after >= xmp.size() || (xmp[after] != '"' && xmp[after] != '\''))
                continue;
            const std::size_t end = xmp.find(xmp[after], after + 1);
            if (end != std::string::npos)
                return Span{after + 1, end};
        }
    }
    return std::nullopt;
}

// The shortest text that reads back as the same double.
std::string NumberText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// The rdf:about of the packet's first description, which every description
// of a packet must share (older packets write it without the prefix);
// empty when the packet has none.
std::string AboutOf(const std::string& xmp, const std::string& rdf)
{
    const std::size_t description = xmp.find("<" + rdf + ":Description");
    if (description == std::string::npos)
        return std::string();
    const std::size_t tagEnd = xmp.find('>', description);
    for (const std::string& name : {" " + rdf + ":about=", std::string(" about=")}) {
        const std::size_t at = xmp.find(name, description);
        if (at == std::string::npos || at > tagEnd || at + name.size() >= xmp.size())
            continue;
        const std::size_t open = at + name.size();
        const std::size_t close = xmp.find(xmp[open], open + 1);
        if ((xmp[open] == '"' || xmp[open] == '\'') && close != std::string::npos)
            return xmp.substr(open + 1, close - open - 1);
    }
    return std::string();
}

// Takes back up to `bytes` of the whitespace that pads the packet before its
// end marker (all of it but the first byte, which ends the line before), so
// that a packet grown by an edit keeps its size where the padding allows:
// what the padding is there for.
void TakeFromPadding(std::string& xmp, std::size_t bytes)
{
    const std::size_t end = xmp.rfind(kPacketEnd);
    if (end == std::string::npos)
        return;
    std::size_t start = end;
    while (start > 0 && IsSpace(xmp[start - 1]))
        --start;
    if (end - start < 2)
        return;
    xmp.erase(start + 1, std::min(bytes, end - start - 1));
}

// A packet may be written in UTF-16 (its first character '<', or a byte
// order mark); the mark is read and merged in UTF-8, which every reader of
// XMP takes too. Other packets come back as they are.
std::string AsUtf8(const std::string& xmp)
{
    if (xmp.size() < 2 || xmp.size() % 2 != 0)
        return xmp;
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(xmp[at]); };
    bool bigEndian;
    if ((byte(0) == 0 && byte(1) == '<') || (byte(0) == 0xFE && byte(1) == 0xFF))
        bigEndian = true;
    else if ((byte(0) == '<' && byte(1) == 0) || (byte(0) == 0xFF && byte(1) == 0xFE))
        bigEndian = false;
    else
        return xmp;
    const auto unit = [&](std::size_t at) {
        return bigEndian ? std::uint32_t(byte(at)) << 8 | byte(at + 1) : std::uint32_t(byte(at + 1)) << 8 | byte(at);
    };
    std::string utf8;
    for (std::size_t at = 0; at < xmp.size(); at += 2) {
        std::uint32_t code = unit(at);
        if (code >= 0xD800 && code <= 0xDBFF && at + 3 < xmp.size() && unit(at + 2) >= 0xDC00 &&
            unit(at + 2) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;  // a lone surrogate
        }
        if (code < 0x80) {
            utf8 += char(code);
        } else if (code < 0x800) {
            utf8 += char(0xC0 | code >> 6);
            utf8 += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += char(0xE0 | code >> 12);
            utf8 += char(0x80 | (code >> 6 & 0x3F));
            utf8 += char(0x80 | (code & 0x3F));
        } else {
            utf8 += char(0xF0 | code >> 18);
            utf8 += char(0x80 | (code >> 12 & 0x3F));
            utf8 += char(0x80 | (code >> 6 & 0x3F));
            utf8 += char(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

}  // namespace

std::optional<double> CorrectionMarkScale(const std::string& packet)
{
    const std::string xmp = AsUtf8(packet);
    const std::optional<Span> span = FindMarkValue(xmp);
    if (!span)
        return std::nullopt;
    std::size_t begin = span->begin, end = span->end;
    while (begin < end && IsSpace(xmp[begin]))
        ++begin;
    while (end > begin && IsSpace(xmp[end - 1]))
        --end;
    double scale = 0;
    const auto result = std::from_chars(xmp.data() + begin, xmp.data() + end, scale);
    if (result.ec != std::errc() || result.ptr != xmp.data() + end || !std::isfinite(scale))
        return std::nullopt;
    return scale;
}

std::string WithCorrectionMark(const std::string& packet, double scale)
{
    const std::string xmp = AsUtf8(packet);
    const std::string value = NumberText(scale);
    if (xmp.empty())
        return std::string("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                           " <rdf:RDF xmlns:rdf=\"") +
               kRdfNamespace + "\">\n  <rdf:Description rdf:about=\"\" xmlns:fovella=\"" + kFovellaXmpNamespace +
               "\" fovella:" + kProperty + "=\"" + value + "\"/>\n </rdf:RDF>\n</x:xmpmeta>\n" +
               "<?xpacket end=\"w\"?>";

    std::string merged = xmp;
    std::size_t added;
    if (const std::optional<Span> span = FindMarkValue(xmp)) {
        merged.replace(span->begin, span->end - span->begin, value);
        added = value.size() > span->end - span->begin ? value.size() - (span->end - span->begin) : 0;
    } else {
        const std::optional<std::string> rdf = PrefixOf(xmp, kRdfNamespace);
        std::size_t at = rdf ? xmp.rfind("</" + *rdf + ":RDF>") : std::string::npos;
        if (at == std::string::npos)
            return std::string();
        // A line of its own, indented one step deeper than the end tag,
        // when the end tag starts its line.
        std::size_t lineStart = at;
        while (lineStart > 0 && (xmp[lineStart - 1] == ' ' || xmp[lineStart - 1] == '\t'))
            --lineStart;
        const bool ownLine = lineStart == 0 || xmp[lineStart - 1] == '\n';
        const std::string indent = ownLine ? xmp.substr(lineStart, at - lineStart) + " " : std::string();
        if (ownLine)
            at = lineStart;
        std::string about = AboutOf(xmp, *rdf);
        for (std::size_t quote; (quote = about.find('"')) != std::string::npos;)
            about.replace(quote, 1, "&quot;");
        const std::string description = indent + "<" + *rdf + ":Description " + *rdf + ":about=\"" + about +
                                        "\" xmlns:fovella=\"" + kFovellaXmpNamespace + "\" fovella:" + kProperty +
                                        "=\"" + value + "\"/>" + (ownLine ? "\n" : "");
        merged.insert(at, description);
        added = description.size();
    }
    TakeFromPadding(merged, added);
    // A malformed packet (a quote left open, a tag cut short) can hide the
    // mark from the reader: such a packet is not merged into, as one without
    // RDF is not.
    if (CorrectionMarkScale(merged) != scale)
        return std::string();
    return merged;
}

PhotoMetadata MarkedAsCorrected(PhotoMetadata metadata, double scale)
{
    std::string marked = WithCorrectionMark(metadata.xmp, scale);
    if (!marked.empty() && (marked.size() <= kMaxMarkedXmp || marked.size() <= metadata.xmp.size()))
        metadata.xmp = std::move(marked);
    return metadata;
}

std::string AlreadyCorrectedText(double scale)
{
    char text[96];
    std::snprintf(text, sizeof text, "already corrected by Fovella at scale %.2f px", scale);
    return text;
}

}  // namespace fovella
