#include "geom/filter.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "cadhost/host_error.h"
#include "dxf/text_codec.h"
#include "geom/wildcard.h"
#include "model/tags.h"

namespace cadhost::geom {

namespace {

constexpr double kAngleTolerance = 1e-6;
constexpr double kNumberTolerance = 1e-9;

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool sameNumber(double a, double b) {
  return std::fabs(a - b) <= kNumberTolerance * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

// Angles in degrees, equal modulo 360 within the tolerance.
bool sameAngle(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d < 0) d += 360.0;
  return d <= kAngleTolerance || 360.0 - d <= kAngleTolerance;
}

std::optional<double> numberOf(const Value& v) {
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return *d;
  return std::nullopt;
}

std::string valueText(const Value& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<std::int32_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return model::formatDouble(*d);
  return "(point)";
}

// The rotation in degrees that code 50 stands for.
double rotationOf(const model::Object& e) {
  if (const model::Tag* t = model::findTag(e.tags, 50))
    return model::parseDouble(t->value).value_or(0);
  if (model::typeOf(e) == "MTEXT" && model::findTag(e.tags, 11)) {
    const double x = model::tagDouble(e.tags, 11), y = model::tagDouble(e.tags, 21);
    if (x != 0 || y != 0) return std::atan2(y, x) * 180.0 / M_PI;
  }
  return 0;
}

}  // namespace

struct CompiledFilter::Node {
  enum Kind { And, Or, Not, Xor, Test } kind = And;
  std::vector<Node> children;
  // Test
  int code = 0;
  enum ValueKind { Text, Number, Point } valueKind = Text;
  WildcardPattern pattern;
  double number = 0;
  Point3 point;

  bool evaluate(const model::Object& e) const {
    switch (kind) {
      case And:
        for (const Node& c : children)
          if (!c.evaluate(e)) return false;
        return true;
      case Or:
        for (const Node& c : children)
          if (c.evaluate(e)) return true;
        return false;
      case Not:
        return !children.front().evaluate(e);
      case Xor:
        return children[0].evaluate(e) != children[1].evaluate(e);
      case Test:
        return test(e);
    }
    return false;
  }

  bool testText(std::string_view s) const {
    switch (valueKind) {
      case Text:
        return pattern.matches(s);
      case Number: {
        auto v = model::parseDouble(s);
        return v && sameNumber(*v, number);
      }
      case Point:
        return false;
    }
    return false;
  }

  bool test(const model::Object& e) const {
    if (code == 0) {
      // POLYLINE (2D, 3D, mesh) and INSERT (also MINSERT) are DXF type names already.
      return valueKind == Text && pattern.matches(model::typeOf(e));
    }
    if (code == 1 && model::typeOf(e) == "MTEXT") return testText(dxf::mtextContents(e.tags));
    if (code == 50 && valueKind == Number) return sameAngle(rotationOf(e), number);
    const auto& tags = e.tags;
    if (valueKind != Point && !model::findTag(tags, code)) {
      // Groups that DXF leaves out when they hold their default.
      if (code == 62) return testText("256");  // colour BYLAYER
      if (code == 6) return testText("BYLAYER");
      if (code == 67) return testText("0");  // model space
      return false;
    }
    for (std::size_t i = 0; i < tags.size(); ++i) {
      if (tags[i].code != code) continue;
      if (valueKind != Point) {
        if (testText(tags[i].value)) return true;
        continue;
      }
      // A point: x here, y and z in the codes 10 and 20 higher that follow.
      auto x = model::parseDouble(tags[i].value);
      std::optional<double> y, z;
      if (i + 1 < tags.size() && tags[i + 1].code == code + 10)
        y = model::parseDouble(tags[i + 1].value);
      if (i + 2 < tags.size() && tags[i + 2].code == code + 20)
        z = model::parseDouble(tags[i + 2].value);
      if (x && y && sameNumber(*x, point.x) && sameNumber(*y, point.y) &&
          sameNumber(z.value_or(0), point.z))
        return true;
    }
    return false;
  }
};

CompiledFilter::CompiledFilter(const Filter& filter) : root_(std::make_unique<Node>()) {
  struct Open {
    Node node;
    std::string closer;
  };
  std::vector<Open> stack;
  stack.push_back(Open{Node{}, ""});
  for (std::size_t i = 0; i < filter.size(); ++i) {
    const FilterItem& item = filter[i];
    if (item.code == -4) {
      const auto* op = std::get_if<std::string>(&item.value);
      if (!op)
        throw HostError(HostError::Refused, "selection filter: entry " + std::to_string(i) +
                                                " (-4) needs a group operator text");
      const std::string o = lower(*op);
      if (!o.empty() && o.front() == '<') {
        static const std::pair<std::string_view, Node::Kind> kOpeners[] = {
            {"<and", Node::And}, {"<or", Node::Or}, {"<not", Node::Not}, {"<xor", Node::Xor}};
        const auto* found = std::find_if(std::begin(kOpeners), std::end(kOpeners),
                                         [&o](const auto& k) { return k.first == o; });
        if (found == std::end(kOpeners))
          throw HostError(HostError::Refused, "selection filter: unknown group operator \"" + *op +
                                                  "\" at entry " + std::to_string(i));
        Node n;
        n.kind = found->second;
        stack.push_back(Open{std::move(n), o.substr(1) + ">"});
        continue;
      }
      if (stack.size() == 1 || stack.back().closer != o)
        throw HostError(HostError::Refused, "selection filter: \"" + *op + "\" at entry " +
                                                std::to_string(i) + " closes no open group");
      Open done = std::move(stack.back());
      stack.pop_back();
      if (done.node.kind == Node::Not && done.node.children.size() != 1)
        throw HostError(HostError::Refused, "selection filter: \"<not\" needs one operand");
      if (done.node.kind == Node::Xor && done.node.children.size() != 2)
        throw HostError(HostError::Refused, "selection filter: \"<xor\" needs two operands");
      stack.back().node.children.push_back(std::move(done.node));
      continue;
    }
    Node t;
    t.kind = Node::Test;
    t.code = item.code;
    if (const auto* s = std::get_if<std::string>(&item.value)) {
      t.valueKind = Node::Text;
      t.pattern = WildcardPattern(*s);
    } else if (auto n = numberOf(item.value)) {
      t.valueKind = Node::Number;
      t.number = *n;
    } else if (const auto* p = std::get_if<Point3>(&item.value)) {
      t.valueKind = Node::Point;
      t.point = *p;
    } else {
      throw HostError(HostError::Refused, "selection filter: entry " + std::to_string(i) +
                                              " (code " + std::to_string(item.code) +
                                              ") has no value");
    }
    if (t.code == 0 && t.valueKind != Node::Text)
      throw HostError(HostError::Refused,
                      "selection filter: the entity type (code 0) must be a "
                      "text, not " +
                          valueText(item.value));
    stack.back().node.children.push_back(std::move(t));
  }
  if (stack.size() != 1)
    throw HostError(HostError::Refused,
                    "selection filter: group \"<" +
                        stack.back().closer.substr(0, stack.back().closer.size() - 1) +
                        "\" is never closed");
  *root_ = std::move(stack.front().node);
}

CompiledFilter::~CompiledFilter() = default;
CompiledFilter::CompiledFilter(CompiledFilter&&) noexcept = default;
CompiledFilter& CompiledFilter::operator=(CompiledFilter&&) noexcept = default;

bool CompiledFilter::matches(const model::Object& entity) const {
  return root_->evaluate(entity);
}

bool CompiledFilter::empty() const {
  return root_->children.empty();
}

bool filterMatches(const Filter& filter, const model::Object& entity) {
  return CompiledFilter(filter).matches(entity);
}

}  // namespace cadhost::geom
