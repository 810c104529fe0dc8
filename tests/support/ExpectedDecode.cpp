#include "tests/support/ExpectedDecode.h"

#include <fstream>
#include <sstream>

namespace fovella::test {

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

}  // namespace

bool ExpectedDecode::Accepts(const std::string& md5) const
{
    if (md5 == pilMd5 || md5 == imageMagickMd5)
        return true;
    for (const std::string& reference : referenceMd5)
        if (md5 == reference)
            return true;
    return !from16bitMd5.empty() && from16bitMd5.find("highbyte=" + md5) != std::string::npos;
}

std::vector<ExpectedDecode> LoadExpectedDecode(const std::string& testDataDir,
                                               const std::string& prefix)
{
    std::vector<ExpectedDecode> rows;
    std::ifstream in(testDataDir + "/expected-decode.tsv");
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        const std::vector<std::string> c = Split(line, '\t');
        if (c.size() < 14 || c[0].compare(0, prefix.size(), prefix) != 0)
            continue;
        ExpectedDecode row;
        row.file = c[0];
        row.status = c[1];
        row.width = c[2].empty() ? 0 : std::stoi(c[2]);
        row.height = c[3].empty() ? 0 : std::stoi(c[3]);
        row.pilMd5 = c[6];
        row.imageMagickMd5 = c[7];
        row.from16bitMd5 = c[10];
        if (!c[11].empty())
            row.referenceMd5 = Split(c[11], ';');
        row.notes = c[13];
        rows.push_back(row);
    }
    return rows;
}

}  // namespace fovella::test
