#include "audit/table_export.h"

#include <algorithm>
#include <cstdio>

namespace tav {
namespace {

void AppendJsonString(std::string_view text, std::string* out) {
  out->push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': *out += "\\\""; break;
      case '\\': *out += "\\\\"; break;
      case '\n': *out += "\\n"; break;
      case '\r': *out += "\\r"; break;
      case '\t': *out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          *out += escaped;
        } else {
          out->push_back(c);
        }
    }
  }
  out->push_back('"');
}

}  // namespace

std::string CsvField(std::string_view text) {
  const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field.push_back('"');
    field.push_back(c);
  }
  field.push_back('"');
  return field;
}

void AppendCsv(const TableView& table, std::string* out) {
  const size_t columns = table.headings.size();
  for (size_t column = 0; column < columns; ++column) {
    if (column != 0) out->push_back(',');
    *out += CsvField(table.headings[column]);
  }
  *out += "\r\n";
  for (size_t row = 0; row < table.rows; ++row) {
    for (size_t column = 0; column < columns; ++column) {
      if (column != 0) out->push_back(',');
      *out += CsvField(table.cell(row, column));
    }
    *out += "\r\n";
  }
}

void AppendJson(const TableView& table, std::span<const char* const> keys, std::string* out) {
  const size_t columns = std::min(table.headings.size(), keys.size());
  out->push_back('[');
  for (size_t row = 0; row < table.rows; ++row) {
    *out += row == 0 ? "\n  {" : ",\n  {";
    for (size_t column = 0; column < columns; ++column) {
      if (column != 0) *out += ", ";
      AppendJsonString(keys[column], out);
      *out += ": ";
      AppendJsonString(table.cell(row, column), out);
    }
    out->push_back('}');
  }
  *out += table.rows == 0 ? "]\n" : "\n]\n";
}

void AppendTextLines(const TableView& table, std::span<const int> rows, std::string* out) {
  for (const int row : rows) {
    if (row < 0 || static_cast<size_t>(row) >= table.rows) continue;
    for (size_t column = 0; column < table.headings.size(); ++column) {
      if (column != 0) out->push_back('\t');
      for (const char c : table.cell(static_cast<size_t>(row), column)) {
        out->push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
      }
    }
    out->push_back('\n');
  }
}

}  // namespace tav
