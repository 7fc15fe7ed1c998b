// The shown rows of a list as text: CSV for a spreadsheet, JSON for a
// script, tab-separated lines for the clipboard. No Qt.
//
// CSV: one line per row ending in CR LF, the headings first; a field that
// holds a comma, a double quote, CR or LF, or starts or ends with a space,
// is put in double quotes with its quotes doubled. JSON: an array with one
// object per row, keyed by the given keys; text is UTF-8 and escaped as
// JSON requires (quote, backslash, control characters), and each byte that
// is not part of well-formed UTF-8 becomes U+FFFD.
//
// Threads: any; the functions keep no state.
#ifndef TAV_AUDIT_TABLE_EXPORT_H_
#define TAV_AUDIT_TABLE_EXPORT_H_

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tav {

// The cells of a table, read in the order they are shown.
struct TableView {
  std::span<const char* const> headings;
  size_t rows = 0;
  std::function<std::string_view(size_t row, size_t column)> cell;
};

enum class TableFormat { kCsv, kJson };

// Appends to *out. `keys` name the JSON members, one per heading.
void AppendCsv(const TableView& table, std::string* out);
void AppendJson(const TableView& table, std::span<const char* const> keys, std::string* out);
// Rows `rows` (indexes into the table) as lines of tab-separated cells,
// tabs and line breaks inside a cell turned into spaces.
void AppendTextLines(const TableView& table, std::span<const int> rows, std::string* out);

// `text` as a JSON string, quotes included, as AppendJson writes cells:
// bytes that are not UTF-8 become U+FFFD, so that the document stays valid
// whatever a record holds.
void AppendJsonString(std::string_view text, std::string* out);

// One CSV field as AppendCsv writes it.
std::string CsvField(std::string_view text);

}  // namespace tav

#endif  // TAV_AUDIT_TABLE_EXPORT_H_
