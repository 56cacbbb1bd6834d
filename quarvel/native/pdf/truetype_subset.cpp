#include "native/pdf/truetype_subset.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {

namespace {

constexpr uint32_t Tag(const char (&name)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(name[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[3]));
}

// Offsets of the fields that the subset changes or reads.
constexpr size_t kHeadSize = 54;
constexpr size_t kHeadChecksumAdjustment = 8;
constexpr size_t kHeadIndexToLocFormat = 50;
constexpr size_t kHheaSize = 36;
constexpr size_t kHheaNumberOfHMetrics = 34;
constexpr size_t kMaxpNumGlyphs = 4;
constexpr uint32_t kChecksumMagic = 0xB1B0AFBA;

// The flags of a component of a composite glyph.
constexpr uint16_t kArgsAreWords = 0x0001;
constexpr uint16_t kHasScale = 0x0008;
constexpr uint16_t kMoreComponents = 0x0020;
constexpr uint16_t kHasXYScale = 0x0040;
constexpr uint16_t kHasTwoByTwo = 0x0080;

uint16_t Read16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) << 8 |
                               static_cast<uint8_t>(bytes[at + 1]));
}

uint32_t Read32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(Read16(bytes, at)) << 16 | Read16(bytes, at + 2);
}

void Write16(uint16_t value, std::string* bytes, size_t at) {
  (*bytes)[at] = static_cast<char>(value >> 8);
  (*bytes)[at + 1] = static_cast<char>(value);
}

void Write32(uint32_t value, std::string* bytes, size_t at) {
  Write16(static_cast<uint16_t>(value >> 16), bytes, at);
  Write16(static_cast<uint16_t>(value), bytes, at + 2);
}

void Append16(uint16_t value, std::string* bytes) {
  bytes->append(2, '\0');
  Write16(value, bytes, bytes->size() - 2);
}

void Append32(uint32_t value, std::string* bytes) {
  bytes->append(4, '\0');
  Write32(value, bytes, bytes->size() - 4);
}

// The sum of the big-endian words of `bytes`, padded with zeros.
uint32_t Checksum(std::string_view bytes) {
  uint32_t sum = 0;
  for (size_t at = 0; at < bytes.size(); at += 4) {
    uint32_t word = 0;
    for (size_t i = 0; i < 4; ++i) {
      word = word << 8 | (at + i < bytes.size() ? static_cast<uint8_t>(bytes[at + i]) : 0);
    }
    sum += word;
  }
  return sum;
}

// The outlines of a font: each glyph's bytes in the glyph table.
class GlyphTable {
 public:
  // Reads the glyph locations; false when they do not fit the tables.
  bool Read(std::string glyf, std::string_view loca, bool long_offsets, uint16_t glyphs) {
    glyf_ = std::move(glyf);
    const size_t entry = long_offsets ? 4 : 2;
    if (loca.size() < (size_t{glyphs} + 1) * entry) return false;
    starts_.resize(size_t{glyphs} + 1);
    for (size_t i = 0; i <= glyphs; ++i) {
      starts_[i] = long_offsets ? Read32(loca, i * entry) : size_t{Read16(loca, i * entry)} * 2;
      if (starts_[i] > glyf_.size() || (i > 0 && starts_[i] < starts_[i - 1])) return false;
    }
    return true;
  }

  uint16_t size() const { return static_cast<uint16_t>(starts_.size() - 1); }

  std::string_view Glyph(uint16_t index) const {
    return std::string_view(glyf_).substr(starts_[index], starts_[index + 1] - starts_[index]);
  }

  // The glyphs that glyph `index` is composed of; none for a simple glyph.
  std::vector<uint16_t> Components(uint16_t index) const {
    const std::string_view glyph = Glyph(index);
    std::vector<uint16_t> components;
    if (glyph.size() < 10 || static_cast<int16_t>(Read16(glyph, 0)) >= 0) return components;
    uint16_t flags = kMoreComponents;
    for (size_t at = 10; (flags & kMoreComponents) != 0 && at + 4 <= glyph.size();) {
      flags = Read16(glyph, at);
      components.push_back(Read16(glyph, at + 2));
      at += 4 + ((flags & kArgsAreWords) != 0 ? 4 : 2);
      if ((flags & kHasScale) != 0) at += 2;
      if ((flags & kHasXYScale) != 0) at += 4;
      if ((flags & kHasTwoByTwo) != 0) at += 8;
    }
    return components;
  }

 private:
  std::string glyf_;
  std::vector<size_t> starts_;
};

// `used`, glyph 0 and every glyph that they are composed of, however deep.
std::vector<bool> Closure(const GlyphTable& glyphs, const std::set<uint16_t>& used) {
  std::vector<bool> kept(glyphs.size(), false);
  std::vector<uint16_t> pending(used.begin(), used.end());
  pending.push_back(0);
  while (!pending.empty()) {
    const uint16_t glyph = pending.back();
    pending.pop_back();
    if (glyph >= glyphs.size() || kept[glyph]) continue;
    kept[glyph] = true;
    for (const uint16_t component : glyphs.Components(glyph)) pending.push_back(component);
  }
  return kept;
}

// A font file of `tables`, sorted by tag, with its directory and checksums.
std::string Assemble(std::vector<std::pair<uint32_t, std::string>> tables) {
  const auto count = static_cast<uint16_t>(tables.size());
  uint16_t power = 1;
  uint16_t log2 = 0;
  while (power * 2 <= count) {
    power *= 2;
    ++log2;
  }
  std::string font;
  Append32(0x00010000, &font);
  Append16(count, &font);
  Append16(static_cast<uint16_t>(power * 16), &font);
  Append16(log2, &font);
  Append16(static_cast<uint16_t>(count * 16 - power * 16), &font);
  size_t offset = 12 + size_t{count} * 16;
  size_t head_offset = 0;
  for (const auto& [tag, bytes] : tables) {
    if (tag == Tag("head")) head_offset = offset;
    Append32(tag, &font);
    Append32(Checksum(bytes), &font);
    Append32(static_cast<uint32_t>(offset), &font);
    Append32(static_cast<uint32_t>(bytes.size()), &font);
    offset += (bytes.size() + 3) / 4 * 4;
  }
  for (const auto& table : tables) {
    font += table.second;
    font.append((4 - table.second.size() % 4) % 4, '\0');
  }
  Write32(kChecksumMagic - Checksum(font), &font, head_offset + kHeadChecksumAdjustment);
  return font;
}

}  // namespace

std::optional<std::string> SubsetTrueType(const FontTableReader& read,
                                          const std::set<uint16_t>& used) {
  std::optional<std::string> head = read(Tag("head"));
  std::optional<std::string> hhea = read(Tag("hhea"));
  std::optional<std::string> maxp = read(Tag("maxp"));
  std::optional<std::string> hmtx = read(Tag("hmtx"));
  std::optional<std::string> loca = read(Tag("loca"));
  std::optional<std::string> glyf = read(Tag("glyf"));
  if (!head || !hhea || !maxp || !hmtx || !loca || !glyf || head->size() < kHeadSize ||
      hhea->size() < kHheaSize || maxp->size() < kMaxpNumGlyphs + 2) {
    return std::nullopt;
  }
  const uint16_t glyph_count = Read16(*maxp, kMaxpNumGlyphs);
  const uint16_t metrics = Read16(*hhea, kHheaNumberOfHMetrics);
  GlyphTable glyphs;
  if (glyph_count == 0 || metrics == 0 || metrics > glyph_count ||
      hmtx->size() < size_t{metrics} * 4 + (size_t{glyph_count} - metrics) * 2 ||
      !glyphs.Read(std::move(*glyf), *loca, Read16(*head, kHeadIndexToLocFormat) != 0,
                   glyph_count)) {
    return std::nullopt;
  }
  const std::vector<bool> kept = Closure(glyphs, used);
  uint16_t count = glyph_count;
  while (!kept[count - 1]) --count;

  std::string new_glyf;
  std::string new_loca;
  for (uint16_t glyph = 0; glyph < count; ++glyph) {
    Append32(static_cast<uint32_t>(new_glyf.size()), &new_loca);
    if (kept[glyph]) new_glyf += glyphs.Glyph(glyph);
    new_glyf.append((4 - new_glyf.size() % 4) % 4, '\0');
  }
  Append32(static_cast<uint32_t>(new_glyf.size()), &new_loca);

  const uint16_t new_metrics = std::min(metrics, count);
  hmtx->resize(size_t{new_metrics} * 4 + (size_t{count} - new_metrics) * 2);
  Write16(new_metrics, &*hhea, kHheaNumberOfHMetrics);
  Write16(count, &*maxp, kMaxpNumGlyphs);
  Write32(0, &*head, kHeadChecksumAdjustment);
  Write16(1, &*head, kHeadIndexToLocFormat);

  std::vector<std::pair<uint32_t, std::string>> tables;
  for (const uint32_t tag : {Tag("cvt "), Tag("fpgm")}) {
    if (std::optional<std::string> table = read(tag)) tables.emplace_back(tag, std::move(*table));
  }
  tables.emplace_back(Tag("glyf"), std::move(new_glyf));
  tables.emplace_back(Tag("head"), std::move(*head));
  tables.emplace_back(Tag("hhea"), std::move(*hhea));
  tables.emplace_back(Tag("hmtx"), std::move(*hmtx));
  tables.emplace_back(Tag("loca"), std::move(new_loca));
  tables.emplace_back(Tag("maxp"), std::move(*maxp));
  if (std::optional<std::string> prep = read(Tag("prep"))) {
    tables.emplace_back(Tag("prep"), std::move(*prep));
  }
  return Assemble(std::move(tables));
}

}  // namespace quarvel
