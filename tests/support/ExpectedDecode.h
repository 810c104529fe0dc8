// The rows of the shared test data's expected-decode.tsv.
#pragma once

#include <string>
#include <vector>

namespace fovella::test {

struct ExpectedDecode {
    std::string file;  // relative to the test-data folder
    std::string status;
    int width = 0, height = 0;
    std::string pilMd5, imageMagickMd5;
    std::vector<std::string> referenceMd5;  // the suite's own acceptable renderings
    std::string from16bitMd5;               // "highbyte=...;round=...;floor=..." for 16-bit files
    std::string notes;

    // True when `md5` is a rendering that one of the independent decoders or
    // the suite's own reference gives (for 16-bit files: their high bytes).
    bool Accepts(const std::string& md5) const;
};

// The rows whose file starts with `prefix`; empty when the table is absent.
std::vector<ExpectedDecode> LoadExpectedDecode(const std::string& testDataDir,
                                               const std::string& prefix);

}  // namespace fovella::test
