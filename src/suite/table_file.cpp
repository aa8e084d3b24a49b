#include "suite/table_file.h"

#include <xlsxwriter.h>

#include <optional>

#include "data/output_file.h"
#include "runtime/decimal.h"

namespace koreq::suite {

namespace {

// A figure as shown ("1,234.50", "-7") read back; nothing for any other text.
std::optional<Decimal> figure(const std::string& text) {
  std::size_t a = text.find_first_not_of(' ');
  if (a == std::string::npos) return std::nullopt;
  std::size_t b = text.find_last_not_of(' ');
  return Decimal::parse(std::string_view(text).substr(a, b - a + 1), true);
}

}  // namespace

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

bool writeCsv(const std::filesystem::path& file, const TextTable& table, std::string* why) {
  std::string text;
  auto line = [&text](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) text += (i ? "," : "") + csvField(cells[i]);
    text += "\r\n";
  };
  line({table.title});
  line(table.headers);
  for (const auto& r : table.rows) line(r);
  return data::writeOutputFile(file, text, why);
}

bool writeXlsx(const std::filesystem::path& file, const TextTable& table, std::string* why) {
  data::OutputFile output(file);
  if (!output.open(why)) return false;
  lxw_workbook* book = workbook_new(output.partPath().string().c_str());
  if (!book) {
    if (why) *why = "the file could not be made";
    return false;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* money = workbook_add_format(book);
  format_set_num_format(money, "#,##0.00");
  lxw_format* whole = workbook_add_format(book);
  format_set_num_format(whole, "#,##0");

  lxw_error rc = worksheet_write_string(sheet, 0, 0, table.title.c_str(), bold);
  for (std::size_t c = 0; c < table.headers.size() && rc == LXW_NO_ERROR; ++c)
    rc =
        worksheet_write_string(sheet, 1, static_cast<lxw_col_t>(c), table.headers[c].c_str(), bold);
  for (std::size_t r = 0; r < table.rows.size() && rc == LXW_NO_ERROR; ++r) {
    const auto& cells = table.rows[r];
    const auto row = static_cast<lxw_row_t>(r + 2);
    for (std::size_t c = 0; c < cells.size() && rc == LXW_NO_ERROR; ++c) {
      const auto col = static_cast<lxw_col_t>(c);
      std::optional<Decimal> n;
      if (c < table.numeric.size() && table.numeric[c]) n = figure(cells[c]);
      if (n)
        rc = worksheet_write_number(sheet, row, col, n->toDouble(),
                                    cells[c].find('.') != std::string::npos ? money : whole);
      else if (!cells[c].empty())
        rc = worksheet_write_string(sheet, row, col, cells[c].c_str(), nullptr);
    }
  }
  const lxw_error closed = workbook_close(book);
  if (rc == LXW_NO_ERROR) rc = closed;
  if (rc == LXW_NO_ERROR) return output.commit(why);
  if (why) *why = lxw_strerror(rc);
  return false;
}

}  // namespace koreq::suite
