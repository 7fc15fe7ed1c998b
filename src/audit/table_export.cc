#include "audit/table_export.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace tav {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, 0
// when it is not one (a stray continuation byte, a truncated or overlong
// sequence, a surrogate, a code point above U+10FFFF).
size_t Utf8SequenceLength(std::string_view text) {
  const auto b0 = static_cast<unsigned char>(text[0]);
  size_t n = 0;
  uint32_t cp = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (text.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
      (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
    return 0;
  }
  return n;
}

}  // namespace

void AppendJsonString(std::string_view text, std::string* out) {
  out->push_back('"');
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      const size_t n = Utf8SequenceLength(text.substr(i));
      if (n == 0) {
        *out += "\\ufffd";
      } else {
        out->append(text.substr(i, n));
        i += n - 1;
      }
      continue;
    }
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
