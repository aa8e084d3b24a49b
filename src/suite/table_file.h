#pragma once

// A table of texts (a title, column headers, rows) written to a file a spreadsheet opens:
// comma-separated values (RFC 4180) or an Excel workbook (.xlsx, through libxlsxwriter).

#include <filesystem>
#include <string>
#include <vector>

namespace koreq::suite {

struct TextTable {
  std::string title;
  std::vector<std::string> headers;
  std::vector<std::vector<std::string>> rows;
  // Columns whose cells are figures ("1,234.50", "-3"): a workbook stores them as numbers.
  std::vector<bool> numeric;
};

// One CSV field: quoted when it holds a comma, a quote or a line break, quotes doubled.
std::string csvField(const std::string& text);

// The title on the first line, the headers on the second, then the rows. False (and why) when
// the file cannot be written; a file written halfway is removed.
bool writeCsv(const std::filesystem::path& file, const TextTable& table, std::string* why);
// One sheet: the title in bold on the first row, the headers in bold on the second, then the
// rows; figures as numbers with two places or none, as they were shown.
bool writeXlsx(const std::filesystem::path& file, const TextTable& table, std::string* why);

}  // namespace koreq::suite
