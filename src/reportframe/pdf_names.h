#pragma once

// The file-name rules of the PDF writer, apart from any PDF library so they are tested alone.

#include <filesystem>
#include <string>
#include <vector>

namespace koreq::reportframe {

// The target name as the writer's Init stores it. An empty name stays empty. A bare file name
// (no folder part) goes in `defaultFolder`, or in `currentFolder` when that is empty; a name
// whose folder part is given (./, ../, sub/) is relative to `currentFolder`, an absolute one
// stays. A name without an extension gets ".pdf". The result is absolute and normal (no "." or
// ".." parts).
std::filesystem::path normalisePdfFileName(const std::string& name,
                                           const std::filesystem::path& defaultFolder,
                                           const std::filesystem::path& currentFolder);

// The files `pages` pages make with `pagesPerFile` to a file: the target itself when
// pagesPerFile is 0 or less; otherwise ceil(pages / pagesPerFile) files named after the target
// with "_" and their number from 1, zero-padded to the digits of the count (report_01.pdf …
// report_12.pdf for twelve files; report_1.pdf for one), in the target's folder with its
// extension. No pages, no files.
std::vector<std::filesystem::path> pdfOutputFiles(const std::filesystem::path& target, int pages,
                                                  int pagesPerFile);

}  // namespace koreq::reportframe
