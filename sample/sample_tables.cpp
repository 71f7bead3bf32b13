#include "sample_tables.h"

#include <algorithm>
#include <cctype>

namespace velmora::sample {

bool equalsNoCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

const SampleTable* findSampleTable(std::string_view name) {
  const auto found = std::ranges::find_if(
      kSampleTables, [name](const SampleTable& table) { return equalsNoCase(table.name, name); });
  return found == kSampleTables.end() ? nullptr : &*found;
}

}  // namespace velmora::sample
