// The mark of a correction in a result's XMP packet: written into a packet
// of its own or merged into the source's, and found again in the forms
// other programs rewrite it to.
#include "metadata/CorrectionMark.h"

#include <gtest/gtest.h>

#include <optional>

namespace fovella {
namespace {

const std::string kHead = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                          "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                          " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                          "  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"4\"/>\n";
const std::string kTail = " </rdf:RDF>\n</x:xmpmeta>\n";
const std::string kEnd = "<?xpacket end=\"w\"?>";

struct MarkCase {
    const char* name;
    std::string xmp;
    std::optional<double> scale;  // what the packet says
};

class CorrectionMarkRead : public testing::TestWithParam<MarkCase> {};

TEST_P(CorrectionMarkRead, FindsTheScaleInAnyFormOrNothing)
{
    EXPECT_EQ(CorrectionMarkScale(GetParam().xmp), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, CorrectionMarkRead,
    testing::Values(
        MarkCase{"Empty", "", std::nullopt},
        MarkCase{"Unmarked", kHead + kTail + kEnd, std::nullopt},
        MarkCase{"Attribute",
                 kHead + "<rdf:Description rdf:about=\"\" xmlns:fovella=\"http://ns.fovella.org/1.0/\" "
                         "fovella:CorrectionScale=\"2524.16\"/>\n" + kTail + kEnd,
                 2524.16},
        MarkCase{"ElementUnderAnotherPrefix",
                 kHead + "<rdf:Description rdf:about='' xmlns:fv='http://ns.fovella.org/1.0/'>\n"
                         "<fv:CorrectionScale> 812.5 </fv:CorrectionScale></rdf:Description>\n" + kTail + kEnd,
                 812.5},
        MarkCase{"SpacesAroundTheEquals",
                 kHead + "<rdf:Description xmlns:fovella=\"http://ns.fovella.org/1.0/\" "
                         "fovella:CorrectionScale = '7'/>" + kTail,
                 7.0},
        MarkCase{"TheNameInAnotherNamespace",
                 kHead + "<rdf:Description xmlns:other=\"http://example.org/\" other:CorrectionScale=\"3\"/>" + kTail,
                 std::nullopt},
        MarkCase{"ALongerName",
                 kHead + "<rdf:Description xmlns:fovella=\"http://ns.fovella.org/1.0/\" "
                         "fovella:CorrectionScaleX=\"3\"/>" + kTail,
                 std::nullopt},
        MarkCase{"NotANumber",
                 kHead + "<rdf:Description xmlns:fovella=\"http://ns.fovella.org/1.0/\" "
                         "fovella:CorrectionScale=\"large\"/>" + kTail,
                 std::nullopt}),
    [](const testing::TestParamInfo<MarkCase>& info) { return info.param.name; });

TEST(CorrectionMark, ANewPacketWhenThereIsNone)
{
    const double scale = 2524.1600036621094;
    const std::string packet = WithCorrectionMark("", scale);
    EXPECT_EQ(packet.rfind("<?xpacket begin=", 0), 0u);
    EXPECT_EQ(packet.substr(packet.size() - kEnd.size()), kEnd);
    EXPECT_EQ(CorrectionMarkScale(packet), scale);  // every bit of it
}

// Merged before the end of the RDF element, the growth taken from the
// padding: the packet keeps its size and every other byte.
TEST(CorrectionMark, MergedIntoThePacketWithinItsPadding)
{
    const std::string padding(300, ' ');
    const std::string packet = kHead + kTail + padding + "\n" + kEnd;
    const std::string merged = WithCorrectionMark(packet, 1000.25);
    const std::string line = "  <rdf:Description rdf:about=\"\" xmlns:fovella=\"http://ns.fovella.org/1.0/\" "
                             "fovella:CorrectionScale=\"1000.25\"/>\n";
    EXPECT_EQ(merged, kHead + line + kTail + std::string(300 - line.size(), ' ') + "\n" + kEnd);
    EXPECT_EQ(CorrectionMarkScale(merged), 1000.25);

    // Without padding the packet grows; a second mark replaces the first.
    const std::string tight = kHead + kTail + kEnd;
    const std::string grown = WithCorrectionMark(tight, 5);
    EXPECT_GT(grown.size(), tight.size());
    const std::string again = WithCorrectionMark(grown, 6.5);
    EXPECT_EQ(CorrectionMarkScale(again), 6.5);
    EXPECT_EQ(again.size(), grown.size() + 2);
    EXPECT_EQ(again.find("CorrectionScale"), again.rfind("CorrectionScale"));
}

// Some writers keep the packet in UTF-16: it is merged into, as UTF-8.
TEST(CorrectionMark, AUtf16PacketIsMarkedInUtf8)
{
    const std::string utf8 = kHead + "<dc:x>Br\xC3\xBC" "cke \xF0\x9F\x93\xB7</dc:x>\n" + kTail + kEnd;
    // The same text in UTF-16, big-endian and little-endian.
    const std::u16string units = u"<?xpacket begin=\"\uFEFF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                                 u"<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                                 u" <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                                 u"  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                                 u"xmp:Rating=\"4\"/>\n<dc:x>Br\u00FCcke \U0001F4F7</dc:x>\n"
                                 u" </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    for (const bool bigEndian : {true, false}) {
        std::string utf16;
        for (const char16_t unit : units) {
            const char high = char(unit >> 8), low = char(unit & 0xFF);
            utf16 += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        const std::string marked = WithCorrectionMark(utf16, 12.5);
        EXPECT_EQ(marked, WithCorrectionMark(utf8, 12.5)) << bigEndian;
        EXPECT_EQ(CorrectionMarkScale(marked), 12.5);
    }
}

// Every description of a packet names the same resource: the mark's takes
// the packet's rdf:about, or the bare about of older writers.
TEST(CorrectionMark, TheMarkDescribesWhatThePacketDescribes)
{
    for (const char* about : {" rdf:about='uuid:80056b68'", " about=\"uuid:80056b68\""}) {
        const std::string packet = std::string("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                                               "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description") +
                                   about + " xmlns:dc='http://purl.org/dc/elements/1.1/'/></rdf:RDF></x:xmpmeta>";
        const std::string marked = WithCorrectionMark(packet, 2);
        EXPECT_NE(marked.find("<rdf:Description rdf:about=\"uuid:80056b68\" xmlns:fovella="), std::string::npos)
            << marked;
        EXPECT_EQ(CorrectionMarkScale(marked), 2.0);
    }
}

// A packet without RDF, or one whose quote left open would hide the mark
// from the reader (found by the fuzzer), is not merged into.
TEST(CorrectionMark, APacketWithoutRdfIsLeftAsItWas)
{
    PhotoMetadata metadata;
    for (const char* packet : {"<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"></x:xmpmeta>",
                               "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                               "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                               "rdf:about=''><a:b xmlns:a='open></a:b></rdf:Description></rdf:RDF></x:xmpmeta>"}) {
        metadata.xmp = packet;
        EXPECT_EQ(WithCorrectionMark(metadata.xmp, 3), "") << packet;
        EXPECT_EQ(MarkedAsCorrected(metadata, 3).xmp, metadata.xmp);
    }
    metadata.xmp.clear();
    EXPECT_EQ(CorrectionMarkScale(MarkedAsCorrected(metadata, 3).xmp), 3.0);
}

// A packet that fills a JPEG segment to the last byte, without padding,
// stays as it was: a result without the mark, not a save that fails.
TEST(CorrectionMark, APacketThatWouldOutgrowAJpegSegmentIsLeftUnmarked)
{
    PhotoMetadata metadata;
    metadata.xmp = kHead + "<dc:x>" + std::string(kMaxMarkedXmp - kHead.size() - kTail.size() - kEnd.size() - 13, 'x') +
                   "</dc:x>" + kTail + kEnd;
    ASSERT_EQ(metadata.xmp.size(), kMaxMarkedXmp);
    EXPECT_EQ(MarkedAsCorrected(metadata, 3).xmp, metadata.xmp);
    metadata.xmp.erase(kHead.size() + 6, 200);
    EXPECT_EQ(CorrectionMarkScale(MarkedAsCorrected(metadata, 3).xmp), 3.0);
}

TEST(CorrectionMark, TheRefusalSaysTheScaleInHundredths)
{
    EXPECT_EQ(AlreadyCorrectedText(2524.1634), "already corrected by Fovella at scale 2524.16 px");
}

}  // namespace
}  // namespace fovella
