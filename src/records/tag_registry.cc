#include "records/tag_registry.h"

#include <array>
#include <cstring>

#include "records/component.h"
#include "util/strings.h"

namespace tav {

namespace {

struct TagEntry {
  const char* tag;
  const char* name;
};

#define TAV_TAG(tag, name) {tag, name},
constexpr TagEntry kTags[] = {
#include "records/tag_table.inc"
};
#undef TAV_TAG

static_assert(sizeof(kTags) / sizeof(kTags[0]) == kTagCount, "the registry holds 289 tags");

constexpr uint32_t TagCode(const char* t) {
  return uint32_t{static_cast<unsigned char>(t[0])} | (uint32_t{static_cast<unsigned char>(t[1])} << 8) |
         (uint32_t{static_cast<unsigned char>(t[2])} << 16) |
         (uint32_t{static_cast<unsigned char>(t[3])} << 24);
}

// Open addressing over the little-endian tag code; 1024 slots keep the
// probes short for 289 tags.
constexpr size_t kSlots = 1024;

constexpr size_t SlotOf(uint32_t code) { return (code * 2654435761u) >> 22; }

struct LookupTable {
  std::array<int16_t, kSlots> index{};
  std::array<uint32_t, kSlots> code{};

  constexpr LookupTable() {
    for (auto& i : index) i = -1;
    for (int i = 0; i < kTagCount; ++i) {
      const uint32_t c = TagCode(kTags[i].tag);
      size_t slot = SlotOf(c);
      while (index[slot] != -1) slot = (slot + 1) % kSlots;
      index[slot] = static_cast<int16_t>(i);
      code[slot] = c;
    }
  }

  int Find(uint32_t c) const {
    for (size_t slot = SlotOf(c);; slot = (slot + 1) % kSlots) {
      const int i = index[slot];
      if (i < 0) return -1;
      if (code[slot] == c) return i;
    }
  }
};

constexpr LookupTable kLookup;

}  // namespace

int LookupTag(const ComponentTag& tag) {
  uint32_t c;
  std::memcpy(&c, tag.bytes, 4);
  return kLookup.Find(c);
}

int LookupTag(std::string_view tag) {
  if (tag.size() != 4) return -1;
  return LookupTag(ComponentTag(tag));
}

std::string_view GetTagText(int index) {
  if (index < 0 || index >= kTagCount) return std::string_view();
  return std::string_view(kTags[index].tag, 4);
}

int GetTagIndexFromPath(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return LookupTag(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string GetComponentName(int index) {
  if (index == -1) return "!~Invalid Component~!";
  if (index < 0 || index >= kTagCount) return StrFormat("%d", index);
  return kTags[index].name;
}

}  // namespace tav
