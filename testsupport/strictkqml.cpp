#include "testsupport/strictkqml.h"

#include <cstring>

namespace testsupport {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool is_word_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != '\0' && std::strchr("<>=+-*/&^~_@$%:.!?{}", c) != nullptr);
}

class Reader {
 public:
  Reader(std::string_view text, std::string* error) : s_(text), error_(error) {}

  std::optional<KQMLExpr> whole() {
    skip_spaces();
    std::optional<KQMLExpr> expr = expression();
    if (!expr) return std::nullopt;
    skip_spaces();
    if (at_ < s_.size()) return fail("text after the expression");
    return expr;
  }

 private:
  std::nullopt_t fail(const std::string& what) {
    *error_ = what + " at byte " + std::to_string(at_);
    return std::nullopt;
  }

  void skip_spaces() {
    while (at_ < s_.size() && is_space(s_[at_])) ++at_;
  }

  // After an expression: white space, the end of its list, or the end.
  bool ended() const { return at_ == s_.size() || is_space(s_[at_]) || s_[at_] == ')'; }

  std::optional<KQMLExpr> expression() {
    if (at_ == s_.size()) return fail("an expression missing");
    const char c = s_[at_];
    std::optional<KQMLExpr> expr;
    if (c == '(') {
      expr = list();
    } else if (c == '"') {
      expr = string();
    } else if (is_word_char(c)) {
      expr = KQMLExpr{};
      while (at_ < s_.size() && is_word_char(s_[at_])) expr->text += s_[at_++];
    } else {
      return fail("a byte that starts no expression");
    }
    if (expr && !ended()) return fail("an expression not followed by white space or ')'");
    return expr;
  }

  std::optional<KQMLExpr> list() {
    KQMLExpr expr{KQMLExpr::kList, "", {}};
    ++at_;
    for (;;) {
      skip_spaces();
      if (at_ == s_.size()) return fail("a list not closed");
      if (s_[at_] == ')') break;
      std::optional<KQMLExpr> item = expression();
      if (!item) return std::nullopt;
      expr.items.push_back(std::move(*item));
    }
    ++at_;
    return expr;
  }

  std::optional<KQMLExpr> string() {
    KQMLExpr expr{KQMLExpr::kString, "", {}};
    for (++at_; at_ < s_.size(); ++at_) {
      if (s_[at_] == '"') {
        ++at_;
        return expr;
      }
      if (s_[at_] == '\\' && ++at_ == s_.size()) break;
      expr.text += s_[at_];
    }
    return fail("a string not closed");
  }

  std::string_view s_;
  std::string* error_;
  size_t at_ = 0;
};

}  // namespace

const KQMLExpr* KQMLExpr::field(std::string_view key) const {
  for (size_t i = 1; i + 1 < items.size(); ++i) {
    if (items[i].is_keyword() && items[i].text.substr(1) == key) {
      return items[i + 1].is_keyword() ? nullptr : &items[i + 1];
    }
  }
  return nullptr;
}

std::optional<KQMLExpr> read_strict_kqml(std::string_view text, std::string* error) {
  return Reader(text, error).whole();
}

bool is_strict_message(const KQMLExpr& expr, std::string* error) {
  if (expr.kind != KQMLExpr::kList || expr.items.empty() || expr.items[0].kind != KQMLExpr::kWord ||
      expr.items[0].is_keyword()) {
    *error = "no list that begins with a performative";
    return false;
  }
  for (size_t i = 1; i < expr.items.size(); i += 2) {
    const KQMLExpr& key = expr.items[i];
    if (!key.is_keyword()) {
      *error = "item " + std::to_string(i) + " is no keyword";
      return false;
    }
    if (i + 1 == expr.items.size()) {
      *error = "keyword " + key.text + " without a value at the end";
      return false;
    }
    // A keyword followed by a keyword: an empty field, the next pair begins.
    if (expr.items[i + 1].is_keyword()) --i;
  }
  return true;
}

std::optional<KQMLExpr> read_strict_message(std::string_view text, std::string* error) {
  std::optional<KQMLExpr> expr = read_strict_kqml(text, error);
  if (expr && !is_strict_message(*expr, error)) return std::nullopt;
  return expr;
}

}  // namespace testsupport
