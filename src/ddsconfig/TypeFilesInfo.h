#pragma once

// Entry points of the type-file metadata extraction.
//
//   TypeFileMetadata metadata;
//   for (each type file or <dds> file, in load order)
//     ExtractTypeFilesInfo({file, workingDirectory}, metadata);
//   FinishTypeFilesInfo(metadata);   // after the last file: unknown nonBasic types fail here

#include <filesystem>
#include <string>
#include <utility>

namespace Quorvel::ddsconfig {

struct TypeFileMetadata;

// Walks `fileAndBaseDir.first` (a type document or a <dds> document); relative includes are
// looked up next to the including file, then in the base directory. A member whose nonBasic
// type is not declared yet stays pending (it may come with a later file). Throws
// std::runtime_error with the exact message of the first inconsistency.
void ExtractTypeFilesInfo(const std::pair<std::filesystem::path, std::filesystem::path>& fileAndBaseDir,
                          TypeFileMetadata& metadata);

// Completes what is still pending and fails on a nonBasic type that no file declared.
void FinishTypeFilesInfo(TypeFileMetadata& metadata);

// Parses `file` and walks it into `metadata`; a file that cannot be read or parsed throws
// `parseErrorPrefix` + file. Used for the top-level file and for each include.
void WalkTypeFile(const std::filesystem::path& file, const std::filesystem::path& baseDirectory,
                  TypeFileMetadata& metadata, const std::string& parseErrorPrefix);

}  // namespace Quorvel::ddsconfig
