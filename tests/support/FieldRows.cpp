#include "support/FieldRows.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace Quorvel::testing {

std::vector<std::vector<std::string>> ReadFieldRows(const std::string& path, char separator,
                                                    std::size_t fields) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> row;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, separator);) row.push_back(field);
    row.resize(fields);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace Quorvel::testing
