#include "RecordWriter.h"

#include "JsonText.h"
#include "KeyValueFormatter.h"

#include <algorithm>
#include <cctype>

namespace Quorvel::Cli {
namespace {

std::string JsonLines(const std::vector<Record>& records) {
  std::string text;
  for (const Record& record : records) {
    text += '{';
    for (std::size_t i = 0; i < record.size(); ++i) {
      if (i != 0) text += ',';
      text += JsonText::Quote(record[i].name) + ':' +
              (record[i].quoted ? JsonText::Quote(record[i].value) : record[i].value);
    }
    text += "}\n";
  }
  return text;
}

std::string KeyValues(const std::vector<Record>& records) {
  std::string text;
  for (const Record& record : records) {
    for (const RecordField& field : record) {
      text += field.name + '=' + KeyValueFormatter::EscapeValue(field.value) + '\n';
    }
    text += '\n';
  }
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

// Columns are those of the first record; every record of one report has the same fields.
std::string Table(const std::vector<Record>& records) {
  if (records.empty()) return {};
  std::vector<std::size_t> columns;
  std::vector<std::size_t> widths;
  for (std::size_t i = 0; i < records.front().size(); ++i) {
    if (!records.front()[i].inTable) continue;
    columns.push_back(i);
    widths.push_back(records.front()[i].name.size());
  }
  for (const Record& record : records) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      widths[c] = std::max(widths[c], record.at(columns[c]).value.size());
    }
  }
  auto row = [&](auto cell) {
    std::string line;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      std::string value = cell(columns[c]);
      if (c + 1 < columns.size()) value.append(widths[c] - value.size() + 2, ' ');
      line += value;
    }
    return line + '\n';
  };
  std::string text = row([&](std::size_t i) { return Upper(records.front()[i].name); });
  for (const Record& record : records) text += row([&](std::size_t i) { return record[i].value; });
  return text;
}

}  // namespace

std::string RenderRecords(const std::vector<Record>& records, OutputFormat format) {
  switch (format) {
    case OutputFormat::KEY_VALUE: return KeyValues(records);
    case OutputFormat::TABLE: return Table(records);
    case OutputFormat::JSON_LINES: break;
  }
  return JsonLines(records);
}

}  // namespace Quorvel::Cli
