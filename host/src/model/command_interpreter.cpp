#include "model/command_interpreter.h"

#include <cmath>
#include <deque>
#include <optional>

#include "cadhost/host_error.h"
#include "geom/matrix.h"
#include "model/block_ops.h"
#include "model/document_core.h"
#include "model/system_variables.h"
#include "model/tag_edit.h"
#include "model/tags.h"
#include "model/text_util.h"
#include "model/ucs_math.h"

namespace cadhost::detail {

namespace {

// One argument of a command: a text (typed or quoted), a number, a point or pause.
struct Arg {
  enum Kind { Text, Number, PointValue, Pause } kind = Text;
  std::string text;
  double number = 0;
  Point3 point;
};

// A parsed expression of the command language.
struct Expr {
  enum Kind { String, Number, Symbol, List } kind = Symbol;
  std::string text;
  double number = 0;
  std::vector<Expr> items;
};

struct Cancelled {};

[[noreturn]] void syntax(std::string_view why) {
  throw HostError(HostError::Refused, "command text: " + std::string(why));
}

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  bool atEnd() {
    skipBlanks();
    return pos_ >= s_.size();
  }
  bool atForm() {
    skipBlanks();
    return pos_ < s_.size() && (s_[pos_] == '(' || s_[pos_] == '\'');
  }

  // A plain command-line word (up to a blank or a parenthesis).
  std::string word() {
    skipBlanks();
    std::size_t start = pos_;
    while (pos_ < s_.size() && !blank(s_[pos_]) && s_[pos_] != '(') ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  Expr expr() {
    skipBlanks();
    if (pos_ >= s_.size()) syntax("unexpected end");
    char c = s_[pos_];
    if (c == '\'') {
      ++pos_;
      return expr();
    }
    if (c == '(') {
      ++pos_;
      Expr list;
      list.kind = Expr::List;
      for (;;) {
        skipBlanks();
        if (pos_ >= s_.size()) syntax("a form is not closed");
        if (s_[pos_] == ')') {
          ++pos_;
          return list;
        }
        list.items.push_back(expr());
      }
    }
    if (c == ')') syntax("unbalanced ')'");
    if (c == '"') return string();
    std::size_t start = pos_;
    while (pos_ < s_.size() && !blank(s_[pos_]) && s_[pos_] != '(' && s_[pos_] != ')') ++pos_;
    Expr atom;
    atom.text = std::string(s_.substr(start, pos_ - start));
    if (auto v = model::parseDouble(atom.text)) {
      atom.kind = Expr::Number;
      atom.number = *v;
    }
    return atom;
  }

 private:
  static bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  void skipBlanks() {
    while (pos_ < s_.size()) {
      if (blank(s_[pos_])) {
        ++pos_;
      } else if (s_[pos_] == ';') {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  Expr string() {
    Expr e;
    e.kind = Expr::String;
    ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"') {
      char c = s_[pos_++];
      if (c == '\\' && pos_ < s_.size()) {
        char n = s_[pos_++];
        c = n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n;
      }
      e.text += c;
    }
    if (pos_ >= s_.size()) syntax("a string is not closed");
    ++pos_;
    return e;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

class Interpreter {
 public:
  explicit Interpreter(DocumentCore& doc) : doc_(doc) {}

  void run(std::string_view text) {
    Parser p(text);
    try {
      while (!p.atEnd()) {
        if (p.atForm()) {
          evaluate(p.expr());
          continue;
        }
        // Plain command text: the words up to the next form.
        std::deque<Arg> words;
        while (!p.atEnd() && !p.atForm()) {
          Arg a;
          a.text = p.word();
          words.push_back(std::move(a));
        }
        runCommands(words);
      }
    } catch (const Cancelled&) {
      // A cancelled command ends the text; what ran before stays done.
    }
  }

 private:
  Expr evaluateExpr(const Expr& e) {
    if (e.kind != Expr::List || e.items.empty() || e.items[0].kind != Expr::Symbol) return e;
    const std::string fn = toUpper(e.items[0].text);
    if (fn == "LIST") {
      Expr list;
      list.kind = Expr::List;
      for (std::size_t i = 1; i < e.items.size(); ++i)
        list.items.push_back(evaluateExpr(e.items[i]));
      return list;
    }
    return evaluate(e);
  }

  Expr evaluate(const Expr& form) {
    if (form.kind != Expr::List || form.items.empty() || form.items[0].kind != Expr::Symbol)
      syntax("a form must start with a function name");
    const std::string fn = toUpper(form.items[0].text);
    if (fn == "COMMAND") {
      std::deque<Arg> args;
      for (std::size_t i = 1; i < form.items.size(); ++i)
        args.push_back(toArg(evaluateExpr(form.items[i])));
      runCommands(args);
      return Expr{};
    }
    if (fn == "SETVAR") {
      if (form.items.size() != 3) syntax("setvar takes a name and a value");
      Expr name = evaluateExpr(form.items[1]);
      Expr value = evaluateExpr(form.items[2]);
      if (name.kind != Expr::String) syntax("setvar needs the variable name as a string");
      setSystemVariable(doc_, name.text, toValue(value));
      return value;
    }
    throw HostError(HostError::Unsupported, "unknown function " + form.items[0].text);
  }

  static Value toValue(const Expr& e) {
    if (e.kind == Expr::String) return e.text;
    if (e.kind == Expr::Number) {
      if (e.text.find_first_of(".eE") == std::string::npos && std::fabs(e.number) < 2147483648.0)
        return static_cast<std::int32_t>(e.number);
      return e.number;
    }
    if (e.kind == Expr::List && (e.items.size() == 2 || e.items.size() == 3)) {
      Point3 p;
      double* c[3] = {&p.x, &p.y, &p.z};
      for (std::size_t i = 0; i < e.items.size(); ++i) {
        if (e.items[i].kind != Expr::Number) syntax("a point holds numbers");
        *c[i] = e.items[i].number;
      }
      return p;
    }
    syntax("the value has no type the host knows");
  }

  static Arg toArg(const Expr& e) {
    Arg a;
    if (e.kind == Expr::Symbol && equalsNoCase(e.text, "pause")) {
      a.kind = Arg::Pause;
    } else if (e.kind == Expr::Number) {
      a.kind = Arg::Number;
      a.number = e.number;
      a.text = e.text;
    } else if (e.kind == Expr::List) {
      Value v = toValue(e);
      a.kind = Arg::PointValue;
      a.point = std::get<Point3>(v);
    } else if (e.kind == Expr::Symbol && equalsNoCase(e.text, "nil")) {
      a.text = "";
    } else {
      a.text = e.text;
    }
    return a;
  }

  void runCommands(std::deque<Arg>& args) {
    while (!args.empty()) {
      Arg cmd = args.front();
      args.pop_front();
      if (cmd.kind != Arg::Text) syntax("a command name is expected");
      std::string name = cmd.text;
      while (!name.empty() && (name[0] == '_' || name[0] == '.' || name[0] == '-'))
        name.erase(0, 1);
      name = toUpper(name);
      if (name.empty()) continue;  // Enter at the command prompt
      if (name == "UCS") {
        ucs(args);
      } else if (name == "U") {
        doc_.undo.undoLast();
      } else if (name == "INSERT") {
        insert(args);
      } else {
        throw HostError(HostError::Unsupported, "unknown command " + cmd.text);
      }
    }
  }

  // The next answer; a missing one leaves the command unfinished, which cancels it.
  Arg next(std::deque<Arg>& args) {
    if (args.empty()) throw Cancelled{};
    Arg a = std::move(args.front());
    args.pop_front();
    return a;
  }

  void ucs(std::deque<Arg>& args) {
    Arg option = next(args);
    // "_World": the underscore asks for the option's global name.
    const std::string o =
        toUpper(std::string_view(option.text)
                    .substr(!option.text.empty() && option.text[0] == '_' ? 1 : 0));
    if (option.kind == Arg::Text && (o.empty() || o == "W" || o == "WORLD")) {
      doc_.setCurrentUcs("");
      return;
    }
    throw HostError(HostError::Unsupported, "UCS option " + option.text + " is not available");
  }

  double number(const Arg& a, double fallback) {
    if (a.kind == Arg::Number) return a.number;
    if (a.kind == Arg::Text) {
      if (a.text.empty()) return fallback;
      if (auto v = model::parseDouble(a.text)) return *v;
    }
    if (a.kind == Arg::Pause) return fallback;  // our prompts offer their default
    syntax("a number is expected");
  }

  Point3 point(const Arg& a, const char* prompt) {
    if (a.kind == Arg::Pause) {
      auto app = doc_.app.lock();
      if (!app || !app->pointInput) throw Cancelled{};
      std::optional<Point3> p = app->pointInput(prompt);
      if (!p) throw Cancelled{};
      return *p;
    }
    Point3 p;
    if (a.kind == Arg::PointValue) {
      p = a.point;
    } else if (a.kind == Arg::Text) {
      double c[3] = {0, 0, 0};
      std::size_t start = 0;
      int n = 0;
      for (; n < 3; ++n) {
        std::size_t comma = a.text.find(',', start);
        auto v = model::parseDouble(std::string_view(a.text).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!v) syntax("\"" + a.text + "\" is not a point");
        c[n] = *v;
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      if (n < 1) syntax("\"" + a.text + "\" is not a point");
      p = Point3{c[0], c[1], c[2]};
    } else {
      syntax("a point is expected");
    }
    return geom::transformPoint(currentUcsMatrix(doc_), p);  // typed points are UCS points
  }

  void insert(std::deque<Arg>& args) {
    const Arg name = next(args);
    if (name.kind != Arg::Text || name.text.empty()) syntax("INSERT needs a block name");
    const Point3 at = point(next(args), "Specify insertion point:");
    const double xs = number(next(args), 1.0);
    const double ys = number(next(args), xs);
    const double rotation = number(next(args), 0.0);
    const Matrix4 ucs = currentUcsMatrix(doc_);
    const double ucsAngle = std::atan2(ucs[4], ucs[0]);
    insertBlockReference(doc_, EntityRef::kModelSpace, at, name.text, xs, ys, xs,
                         radians(rotation) + ucsAngle);
  }

  DocumentCore& doc_;
};

}  // namespace

void runCommandText(DocumentCore& doc, std::string_view text) {
  Interpreter(doc).run(text);
}

}  // namespace cadhost::detail
