#include "runtime/expr.h"

#include <exception>

#include "runtime/text.h"

namespace koreq {

// ---- values

ExprValue ExprValue::number(Decimal v) {
  ExprValue r;
  r.num = v;
  return r;
}

ExprValue ExprValue::str(std::string v) {
  ExprValue r;
  r.isText = true;
  r.text = std::move(v);
  return r;
}

bool ExprValue::truthy() const {
  return isText ? !clip(text).empty() : !num.isZero();
}

std::string ExprValue::toText() const {
  return isText ? text : num.toPlainString();
}

Decimal ExprValue::toNumber() const {
  if (!isText) return num;
  return Decimal::parse(text).value_or(Decimal());
}

// ---- resolvers

MapResolver::MapResolver(std::initializer_list<std::pair<std::string, ExprValue>> values) {
  for (const auto& [name, value] : values) set(name, value);
}

void MapResolver::set(std::string_view name, ExprValue value) {
  values_[upper(name)] = std::move(value);
}

bool MapResolver::erase(std::string_view name) {
  return values_.erase(upper(name)) > 0;
}

std::optional<ExprValue> MapResolver::lookup(std::string_view name) const {
  auto it = values_.find(upper(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

ChainResolver::ChainResolver(std::initializer_list<const NameResolver*> resolvers) {
  for (const NameResolver* r : resolvers)
    if (r) resolvers_.push_back(r);
}

std::optional<ExprValue> ChainResolver::lookup(std::string_view name) const {
  for (const NameResolver* r : resolvers_)
    if (auto v = r->lookup(name)) return v;
  return std::nullopt;
}

// ---- syntax tree

struct Expression::Node {
  enum class Op { Value, Name, Neg, Not, Or, And, Eq, Ne, Lt, Gt, Le, Ge, Cat, Add, Sub, Mul, Div };
  Op op = Op::Value;
  ExprValue value;   // Value
  std::string name;  // Name
  std::unique_ptr<const Node> a, b;
  int depth = 1;
};

namespace {

using Node = Expression::Node;
using Op = Node::Op;

// Limits that keep parsing and evaluation recursion far from the stack's end, whatever a user
// types: nesting counts parentheses and prefix operators, depth the whole tree (a long chain
// "a OR b OR c …" grows it one level a term).
constexpr int kMaxNesting = 100;
constexpr int kMaxDepth = 1000;

enum class Tok { End, Number, Text, Name, And, Or, Not, Op, LParen, RParen };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // operator spelling, name, text value or number digits
  int pos = 1;       // 1-based character position
  Decimal num;
};

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

class SyntaxError {
 public:
  SyntaxError(int pos, std::string what) : pos(pos), what(std::move(what)) {}
  int pos;
  std::string what;
};

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  std::unique_ptr<const Node> parse(std::vector<std::string>& names) {
    tokenize();
    auto n = parseOr();
    if (cur().kind != Tok::End) fail(cur().pos, "unexpected " + describe(cur()));
    names = std::move(names_);
    return n;
  }

 private:
  [[noreturn]] static void fail(int pos, std::string what) {
    throw SyntaxError(pos, std::move(what));
  }

  static std::string describe(const Token& t) {
    switch (t.kind) {
      case Tok::End:
        return "end of expression";
      case Tok::Text:
        return "text";
      case Tok::Number:
        return "number " + t.text;
      default:
        return "'" + t.text + "'";
    }
  }

  // Position counts characters, not bytes, so the caret a user sees matches. Tokens are read
  // left to right, so counting on from the last position keeps long texts linear.
  int posOf(std::size_t byte) {
    if (byte < countedBytes_) {
      countedBytes_ = 0;
      countedChars_ = 0;
    }
    countedChars_ += charCount(s_.substr(countedBytes_, byte - countedBytes_));
    countedBytes_ = byte;
    return static_cast<int>(countedChars_) + 1;
  }

  void tokenize() {
    std::size_t i = 0;
    while (true) {
      while (i < s_.size() && (s_[i] == ' ' || s_[i] == '\t' || s_[i] == '\r' || s_[i] == '\n'))
        ++i;
      Token t;
      t.pos = posOf(i);
      if (i >= s_.size()) {
        toks_.push_back(t);
        return;
      }
      char c = s_[i];
      if (isDigit(c) || (c == '.' && i + 1 < s_.size() && isDigit(s_[i + 1]))) {
        std::size_t start = i;
        while (i < s_.size() && isDigit(s_[i])) ++i;
        if (i < s_.size() && s_[i] == '.') {
          ++i;
          while (i < s_.size() && isDigit(s_[i])) ++i;
        }
        if (i < s_.size() && (isLetter(s_[i]) || s_[i] == '.' || s_[i] == ':'))
          fail(posOf(i), "bad number");
        t.kind = Tok::Number;
        t.text = std::string(s_.substr(start, i - start));
        auto v = Decimal::parse(t.text);
        if (!v) fail(t.pos, "number too large");
        t.num = *v;
      } else if (c == '\'') {
        ++i;
        t.kind = Tok::Text;
        while (true) {
          if (i >= s_.size()) fail(t.pos, "text without its closing quote");
          if (s_[i] == '\'') {
            if (i + 1 < s_.size() && s_[i + 1] == '\'') {
              t.text += '\'';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          t.text += s_[i++];
        }
      } else if (isLetter(c)) {
        std::size_t start = i;
        while (i < s_.size() && (isLetter(s_[i]) || isDigit(s_[i]) || s_[i] == ':')) ++i;
        t.text = std::string(s_.substr(start, i - start));
        std::string u = upper(t.text);
        t.kind = u == "AND" ? Tok::And : u == "OR" ? Tok::Or : u == "NOT" ? Tok::Not : Tok::Name;
      } else {
        static constexpr std::string_view kTwo[] = {"<>", "<=", ">="};
        t.kind = Tok::Op;
        for (std::string_view op : kTwo)
          if (s_.substr(i, 2) == op) t.text = op;
        if (t.text.empty()) {
          if (std::string_view("=<>+-*/&~()").find(c) == std::string_view::npos) {
            std::string shown = cutToChars(s_.substr(i), 1);
            fail(t.pos, "unexpected character '" + shown + "'");
          }
          t.text = std::string(1, c);
          if (c == '(') t.kind = Tok::LParen;
          if (c == ')') t.kind = Tok::RParen;
          if (c == '~') t.kind = Tok::Not;
        }
        i += t.text.size();
      }
      toks_.push_back(std::move(t));
    }
  }

  const Token& cur() const { return toks_[at_]; }
  bool isOp(std::string_view op) const { return cur().kind == Tok::Op && cur().text == op; }
  const Token& take() { return toks_[at_ < toks_.size() - 1 ? at_++ : at_]; }

  std::unique_ptr<const Node> make(Op op, int pos, std::unique_ptr<const Node> a,
                                   std::unique_ptr<const Node> b = nullptr) {
    auto n = std::make_unique<Node>();
    n->op = op;
    n->depth = 1 + std::max(a ? a->depth : 0, b ? b->depth : 0);
    if (n->depth > kMaxDepth) fail(pos, "expression too long");
    n->a = std::move(a);
    n->b = std::move(b);
    return n;
  }

  struct Nest {
    Nest(Parser& p, int pos) : p(p) {
      if (++p.nesting_ > kMaxNesting) fail(pos, "nested too deeply");
    }
    ~Nest() { --p.nesting_; }
    Parser& p;
  };

  std::unique_ptr<const Node> parseOr() {
    auto n = parseAnd();
    while (cur().kind == Tok::Or) {
      int pos = take().pos;
      n = make(Op::Or, pos, std::move(n), parseAnd());
    }
    return n;
  }

  std::unique_ptr<const Node> parseAnd() {
    auto n = parseNot();
    while (cur().kind == Tok::And) {
      int pos = take().pos;
      n = make(Op::And, pos, std::move(n), parseNot());
    }
    return n;
  }

  std::unique_ptr<const Node> parseNot() {
    if (cur().kind == Tok::Not) {
      int pos = take().pos;
      Nest nest(*this, pos);
      return make(Op::Not, pos, parseNot());
    }
    return parseCompare();
  }

  std::unique_ptr<const Node> parseCompare() {
    static constexpr std::pair<std::string_view, Op> kOps[] = {{"=", Op::Eq},  {"<>", Op::Ne},
                                                               {"<", Op::Lt},  {">", Op::Gt},
                                                               {"<=", Op::Le}, {">=", Op::Ge}};
    auto n = parseCat();
    while (true) {
      const Op* found = nullptr;
      for (const auto& [text, op] : kOps)
        if (isOp(text)) found = &op;
      if (!found) return n;
      int pos = take().pos;
      n = make(*found, pos, std::move(n), parseCat());
    }
  }

  std::unique_ptr<const Node> parseCat() {
    auto n = parseAdd();
    while (isOp("&")) {
      int pos = take().pos;
      n = make(Op::Cat, pos, std::move(n), parseAdd());
    }
    return n;
  }

  std::unique_ptr<const Node> parseAdd() {
    auto n = parseMul();
    while (isOp("+") || isOp("-")) {
      Op op = cur().text == "+" ? Op::Add : Op::Sub;
      int pos = take().pos;
      n = make(op, pos, std::move(n), parseMul());
    }
    return n;
  }

  std::unique_ptr<const Node> parseMul() {
    auto n = parseUnary();
    while (isOp("*") || isOp("/")) {
      Op op = cur().text == "*" ? Op::Mul : Op::Div;
      int pos = take().pos;
      n = make(op, pos, std::move(n), parseUnary());
    }
    return n;
  }

  std::unique_ptr<const Node> parseUnary() {
    if (isOp("-") || isOp("+")) {
      bool minus = cur().text == "-";
      int pos = take().pos;
      Nest nest(*this, pos);
      auto operand = parseUnary();
      // A unary plus still turns a text into its number, as arithmetic does.
      return minus
                 ? make(Op::Neg, pos, std::move(operand))
                 : make(Op::Add, pos, valueNode(ExprValue::number(Decimal())), std::move(operand));
    }
    return parsePrimary();
  }

  std::unique_ptr<const Node> valueNode(ExprValue v) {
    auto n = std::make_unique<Node>();
    n->value = std::move(v);
    return n;
  }

  std::unique_ptr<const Node> parsePrimary() {
    const Token& t = cur();
    switch (t.kind) {
      case Tok::Number:
        take();
        return valueNode(ExprValue::number(t.num));
      case Tok::Text:
        take();
        return valueNode(ExprValue::str(t.text));
      case Tok::Name: {
        take();
        bool known = false;
        for (const std::string& n : names_) known = known || upper(n) == upper(t.text);
        if (!known) names_.push_back(t.text);
        auto n = std::make_unique<Node>();
        n->op = Op::Name;
        n->name = t.text;
        return n;
      }
      case Tok::LParen: {
        int pos = take().pos;
        Nest nest(*this, pos);
        auto n = parseOr();
        if (cur().kind != Tok::RParen) fail(cur().pos, "')' expected");
        take();
        return n;
      }
      default:
        fail(t.pos, "value expected, found " + describe(t));
    }
  }

  std::string_view s_;
  std::vector<Token> toks_;
  std::size_t at_ = 0;
  std::size_t countedBytes_ = 0, countedChars_ = 0;
  int nesting_ = 0;
  std::vector<std::string> names_;
};

// ---- evaluation

int compareValues(const ExprValue& a, const ExprValue& b) {
  auto sign = [](auto c) { return c < 0 ? -1 : c > 0 ? 1 : 0; };
  if (!a.isText && !b.isText) return a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
  if (a.isText && b.isText) return sign(clip(a.text).compare(clip(b.text)));
  const ExprValue& text = a.isText ? a : b;
  const ExprValue& number = a.isText ? b : a;
  int r;
  if (auto n = Decimal::parse(text.text))
    r = number.num < *n ? -1 : number.num > *n ? 1 : 0;
  else
    r = sign(std::string_view(number.num.toPlainString()).compare(clip(text.text)));
  return a.isText ? -r : r;
}

class Evaluator {
 public:
  Evaluator(const NameResolver& names) : names_(names) {}

  // Throws DecimalOverflow; evaluate() turns it into an error.
  std::optional<ExprValue> eval(const Node& n) {
    auto truth = [](bool b) { return ExprValue::number(Decimal(b ? 1 : 0)); };
    switch (n.op) {
      case Op::Value:
        return n.value;
      case Op::Name: {
        auto v = names_.lookup(n.name);
        if (!v) error = "Unknown name: " + n.name;
        return v;
      }
      case Op::Neg:
      case Op::Not: {
        auto a = eval(*n.a);
        if (!a) return a;
        return n.op == Op::Neg ? ExprValue::number(-a->toNumber()) : truth(!a->truthy());
      }
      default:
        break;
    }
    auto a = eval(*n.a);
    if (!a) return a;
    auto b = eval(*n.b);
    if (!b) return b;
    switch (n.op) {
      case Op::Or:
        return truth(a->truthy() || b->truthy());
      case Op::And:
        return truth(a->truthy() && b->truthy());
      case Op::Eq:
        return truth(compareValues(*a, *b) == 0);
      case Op::Ne:
        return truth(compareValues(*a, *b) != 0);
      case Op::Lt:
        return truth(compareValues(*a, *b) < 0);
      case Op::Gt:
        return truth(compareValues(*a, *b) > 0);
      case Op::Le:
        return truth(compareValues(*a, *b) <= 0);
      case Op::Ge:
        return truth(compareValues(*a, *b) >= 0);
      case Op::Cat:
        return ExprValue::str(a->toText() + b->toText());
      case Op::Add:
        return ExprValue::number(a->toNumber() + b->toNumber());
      case Op::Sub:
        return ExprValue::number(a->toNumber() - b->toNumber());
      case Op::Mul:
        return ExprValue::number(a->toNumber() * b->toNumber());
      case Op::Div:
        return ExprValue::number(a->toNumber() / b->toNumber());  // by zero: 0
      default:
        break;
    }
    error = "Internal error: unknown operator";
    return std::nullopt;
  }

  std::string error;

 private:
  const NameResolver& names_;
};

}  // namespace

// ---- expression

Expression::Expression() : error_("Syntax error at 1: value expected, found end of expression") {}

Expression Expression::compile(std::string_view text) {
  Expression e;
  e.text_ = std::string(text);
  try {
    Parser p(e.text_);
    e.root_ = p.parse(e.names_);
    e.error_.clear();
  } catch (const SyntaxError& err) {
    e.error_ = "Syntax error at " + std::to_string(err.pos) + ": " + err.what;
    e.names_.clear();
  } catch (const std::exception& err) {
    e.error_ = std::string("Cannot compile: ") + err.what();
    e.names_.clear();
  }
  return e;
}

std::optional<ExprValue> Expression::evaluate(const NameResolver& names, std::string* error) const {
  auto failed = [&](std::string why) -> std::optional<ExprValue> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  if (!root_) return failed(error_);
  Evaluator ev(names);
  try {
    auto v = ev.eval(*root_);
    if (!v) return failed(ev.error);
    if (error) error->clear();
    return v;
  } catch (const DecimalOverflow&) {
    return failed("Number too large");
  } catch (const std::exception& err) {
    return failed(err.what());
  }
}

std::optional<bool> Expression::test(const NameResolver& names, std::string* error) const {
  auto v = evaluate(names, error);
  if (!v) return std::nullopt;
  return v->truthy();
}

}  // namespace koreq
