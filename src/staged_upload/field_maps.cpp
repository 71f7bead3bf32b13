#include "staged_upload/field_maps.h"

#include <algorithm>

namespace velmora {
namespace {

char foldCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return foldCase(x) == foldCase(y); });
}

}  // namespace

const FieldMap* findFieldMap(std::string_view table) {
  for (const FieldMap& map : kFieldMaps) {
    if (equalIgnoringCase(map.table, table)) return &map;
  }
  return nullptr;
}

std::span<const FieldMap> allFieldMaps() { return kFieldMaps; }

}  // namespace velmora
