// Where the command's images go: checks of the output names a batch file
// gives, the completeness of files already there (to resume a batch), and
// the exit status and reason of a file that cannot be written.
#pragma once

#include <filesystem>
#include <string>

#include "cli/render.h"

// Exit statuses of the command.
constexpr int kExitInvalid = 1;  // the text is invalid or the symbol does not fit
constexpr int kExitUsage = 2;    // usage error, or the batch file cannot be read
constexpr int kExitWrite = 3;    // an image could not be made or written

// An output name of a batch line resolved against the output directory
// (empty: the current one). Refused, with the reason in `error`: control
// characters, parts longer than the file system allows, and, unless
// `allowOutside`, absolute names and names that climb out with "..".
struct OutputName {
    std::filesystem::path path; // lexically normal
    std::string error;
};
OutputName ResolveOutputName(const std::string& name, const std::filesystem::path& directory, bool allowOutside);

// Makes the folders of `path` that do not exist yet. Unless `allowOutside`,
// refuses a folder that a symbolic link leads out of `directory`. Returns an
// outcome with the status and reason of a failure.
Outcome PrepareOutputFolder(const std::filesystem::path& path, const std::filesystem::path& directory,
                            bool allowOutside);

// Refuses a target that exists and is no regular file (a folder, a device):
// writing would replace it.
Outcome CheckOutputTarget(const std::string& path);

// True when `path` exists and ends as a whole file of its format does: the
// PNG IEND chunk, the JPEG end-of-image marker, the BMP size of its header,
// the PDF and EPS "%%EOF", the SVG "</svg>". A cheap check of the last bytes,
// enough to tell a finished file from one cut off.
bool IsCompleteImage(const std::string& path);

// The outcome of a render with the exit status of its kind: failures to
// make or write the image get kExitWrite and the reason the system gives.
Outcome ClassifyOutcome(Outcome outcome, const std::string& path);
