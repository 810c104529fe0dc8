#include "apps/fovella-cli/Commands.h"

#include "apps/fovella-cli/ConsoleFrontEnd.h"
#include "batch/BatchRun.h"
#include "codecs/ImageFile.h"
#include "codecs/ImageFormats.h"
#include "exif/ExifDiagnostics.h"
#include "exif/ExifReader.h"
#include "fs/DirectoryScanner.h"
#include "fs/PathString.h"
#include "metadata/CorrectionMark.h"

#include <cstdio>
#include <fstream>
#include <filesystem>
#include <system_error>
#include <optional>
#include <set>
#include <sstream>
#include <ostream>

namespace fovella::cli {

namespace {

const char* FormatName(ImageFileFormat format)
{
    const ImageFormatInfo* info = FindImageFormat(format);
    return info ? info->name : "unknown";
}

FocalUsage UsageOf(FocalSource source)
{
    switch (source) {
    case FocalSource::Exif: return FocalUsage::ExifOnly;
    case FocalSource::Manual: return FocalUsage::ManualOnly;
    case FocalSource::Lines: return FocalUsage::Lines;
    default: return FocalUsage::ExifOrManual;
    }
}

}  // namespace

namespace {

// The names in a --files-from list, empty entries dropped.
bool ReadFileList(const Options& options, Console& console, std::vector<std::string>& names)
{
    std::ifstream file;
    if (options.filesFrom != "-") {
        file.open(options.filesFrom, std::ios::binary);
        if (!file) {
            console.errors << "fovella-cli: cannot read the list '" << Printable(options.filesFrom) << "'\n";
            return false;
        }
    }
    std::istream& list = options.filesFrom == "-" ? console.in : file;
    for (std::string name; std::getline(list, name, options.nulSeparated ? '\0' : '\n');)
        if (!name.empty())
            names.push_back(name);
    return true;
}

}  // namespace

int CorrectFiles(const Options& options, Console& console)
{
    // A folder stands for the files directly inside it, as the batch run of
    // the window lists them.
    // A file named on the command line is always meant as an image (one in
    // no readable format fails to open, with the reason); a folder's files
    // are taken as the window's batch run takes them.
    std::vector<std::string> files;
    std::set<std::string> named;
    bool inputFailed = false, folderListed = false;
    std::vector<std::string> inputs = options.inputs;
    if (!options.filesFrom.empty() && !ReadFileList(options, console, inputs))
        return 1;
    for (const std::string& input : inputs) {
        std::error_code error;
        const auto type = std::filesystem::status(input, error).type();
        if (type == std::filesystem::file_type::not_found || (!input.empty() && input.back() == '/' &&
                                                              type != std::filesystem::file_type::directory)) {
            console.errors << "fovella-cli: '" << Printable(input) << "': no such file or folder\n";
            inputFailed = true;
        } else if (type == std::filesystem::file_type::directory) {
            DirectoryScanner scanner;
            if (!scanner.Scan(input)) {
                console.errors << "fovella-cli: cannot list the folder '" << Printable(input)
                               << "': " << scanner.Error() << "\n";
                inputFailed = true;
                continue;
            }
            files.insert(files.end(), scanner.Files().begin(), scanner.Files().end());
            folderListed = true;
        } else {
            files.push_back(input);
            named.insert(input);
        }
    }
    if (inputFailed && files.empty())
        return 1;
    if (!options.output.empty() && (files.size() != 1 || (inputs.empty() || IsDirectory(inputs[0])))) {
        console.errors << "fovella-cli: -o names the result of a single input file\n";
        return 2;
    }
    if (!options.output.empty() && !IsImageFile(options.output)) {
        console.errors << "fovella-cli: '" << Printable(options.output)
                       << "': the output must end in .jpg, .jpeg, .bmp or .png\n";
        return 2;
    }
    const auto isImage = [&](const std::string& path) { return named.count(path) || IsImageFile(path); };
    int images = 0;
    for (const std::string& file : files)
        images += isImage(file);

    BatchOptions batch;
    batch.saveMode = options.suffixGiven ? SaveMode::Suffix : SaveMode::OtherFolder;
    batch.folder = options.outDir;
    batch.suffix = options.suffix;
    batch.output = options.output;
    batch.quality = options.quality;
    batch.focalUsage = UsageOf(options.focalSource);
    batch.useFineTune = true;
    ShareCores(batch, images, options.jobs);
    batch.dryRun = options.dryRun;
    batch.force = options.force;
    batch.memoryLimit = options.memoryLimit;
    batch.isImage = isImage;

    ConsoleFrontEnd frontEnd(options.overwrite, images, folderListed, console.in, console.out, console.errors,
                             console.interactive, console.showProgress);
    const std::string label = inputs.size() == 1 ? inputs[0] : "of the inputs";
    const BatchResult result = BatchRun(frontEnd).RunFiles(
        files, batch, options.focalGiven ? options.focalMm : 0.0f, options.fineTune, label);
    switch (result.outcome) {
    case BatchOutcome::NotStarted: return 1;
    case BatchOutcome::Cancelled:
        console.errors << "fovella-cli: cancelled\n";
        return 130;
    case BatchOutcome::Completed: break;
    }
    const int done = options.dryRun ? frontEnd.Described() : result.counts.savedFiles + frontEnd.Kept();
    return done == result.counts.imageFiles && !inputFailed ? 0 : 1;
}

int DescribeFiles(const Options& options, Console& console)
{
    int status = 0;
    for (const std::string& path : options.inputs) {
        // The headers and the EXIF block are all it needs: no picture is
        // decoded, so a file whose pixel data is cut short is described too.
        ImageFile file;
        int width = 0, height = 0;
        if (!file.ReadSize(path, width, height, Unknown, KeepMetadata)) {
            console.errors << "fovella-cli: cannot read " << Printable(file.Error()) << "\n";
            status = 1;
            continue;
        }
        std::vector<std::uint8_t> exif;
        file.GetExifBlock(exif);
        // What the reader finds wrong in the block goes to the error stream,
        // each line naming the file.
        std::ostringstream diagnostics;
        const float focal = exif.empty() ? 0 : ReadExif(exif.data(), exif.size(), diagnostics).FocalLength;
        console.errors << NamedDiagnostics(Printable(path), diagnostics.str());
        char focalText[64];
        // Any value but 0 is a focal length the block gives, even a negative one.
        if (focal != 0)
            std::snprintf(focalText, sizeof focalText, "EXIF focal length: %.3f mm", double(focal));
        else
            std::snprintf(focalText, sizeof focalText, "EXIF focal length: none");
        console.out << Printable(path) << ": " << width << " x " << height << ", "
                    << FormatName(file.ClassifyExtension(path)) << ", " << focalText;
        // A result of an earlier run says so: a run would refuse it.
        if (const std::optional<double> scale = CorrectionMarkScale(file.Metadata().xmp))
            console.out << ", " << AlreadyCorrectedText(*scale);
        console.out << "\n";
    }
    return status;
}

}  // namespace fovella::cli
