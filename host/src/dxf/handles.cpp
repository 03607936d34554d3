// Handles: hex texts that name objects, and $HANDSEED, the next one free.

#include <charconv>

#include "dxf/dxf_io.h"
#include "model/tags.h"

namespace cadhost::dxf {
namespace {

void maxOf(const model::Object& o, std::uint64_t& best) {
  for (const model::Tag& t : o.tags)
    if (t.code == 5 || t.code == 105) best = std::max(best, parseHandle(t.value));
  for (const model::Object& s : o.subs) maxOf(s, best);
}

}  // namespace

std::uint64_t parseHandle(std::string_view hex) {
  while (!hex.empty() && hex.front() == ' ') hex.remove_prefix(1);
  while (!hex.empty() && hex.back() == ' ') hex.remove_suffix(1);
  std::uint64_t v = 0;
  auto [p, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
  if (hex.empty() || ec != std::errc() || p != hex.data() + hex.size()) return 0;
  return v;
}

std::string formatHandle(std::uint64_t handle) {
  char buf[20];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, handle, 16);
  std::string s(buf, p);
  for (char& c : s)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
  return s;
}

std::uint64_t handleSeed(const model::Drawing& drawing) {
  const model::HeaderVar* v = model::findHeaderVar(drawing, "$HANDSEED");
  if (!v) return 0;
  const model::Tag* t = model::findTag(v->tags, 5);
  return t ? parseHandle(t->value) : 0;
}

std::uint64_t maxHandle(const model::Drawing& d) {
  std::uint64_t best = 0;
  for (const model::Table& t : d.tables) {
    maxOf(t.head, best);
    for (const model::Object& e : t.entries) maxOf(e, best);
  }
  for (const model::Block& b : d.blocks) {
    maxOf(b.begin, best);
    for (const model::Object& e : b.entities) maxOf(e, best);
    maxOf(b.end, best);
  }
  for (const model::Object& e : d.entities) maxOf(e, best);
  for (const model::Object& o : d.objects) maxOf(o, best);
  return best;
}

std::string allocateHandle(model::Drawing& drawing) {
  std::uint64_t seed = handleSeed(drawing);
  if (seed == 0) seed = maxHandle(drawing) + 1;
  std::string handle = formatHandle(seed);
  model::HeaderVar* v = model::findHeaderVar(drawing, "$HANDSEED");
  if (!v) {
    drawing.header.push_back(model::HeaderVar{"$HANDSEED", {}});
    v = &drawing.header.back();
  }
  model::setTag(v->tags, 5, formatHandle(seed + 1));
  return handle;
}

}  // namespace cadhost::dxf
