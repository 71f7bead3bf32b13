#include "backends/embedded/tsql_tokens.h"

#include <cctype>

namespace velmora {

namespace {

bool isWordStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
}

bool isWordPart(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

bool isBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// End (one past) of a literal opened at `begin` by `open` and closed by
// `close`, where a doubled `close` stands for one.
std::size_t quotedEnd(std::string_view text, std::size_t begin, char close) {
  std::size_t i = begin + 1;
  while (i < text.size()) {
    if (text[i] == close) {
      if (i + 1 < text.size() && text[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return text.size();
}

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

bool Token::isWord(std::string_view keyword) const {
  if (kind != TokenKind::kWord || text.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower(text[i]) != lower(keyword[i])) return false;
  }
  return true;
}

Tokens tokenize(std::string_view text) {
  Tokens tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t end = i + 1;
    TokenKind kind = TokenKind::kSymbol;
    if (isBlank(c)) {
      kind = TokenKind::kSpace;
      while (end < text.size() && isBlank(static_cast<unsigned char>(text[end]))) ++end;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      kind = TokenKind::kComment;
      end = text.find('\n', i);
      end = end == std::string_view::npos ? text.size() : end;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      kind = TokenKind::kComment;
      end = text.find("*/", i + 2);
      end = end == std::string_view::npos ? text.size() : end + 2;
    } else if (c == '\'') {
      kind = TokenKind::kString;
      end = quotedEnd(text, i, '\'');
    } else if (c == '[') {
      kind = TokenKind::kQuotedName;
      end = quotedEnd(text, i, ']');
    } else if (c == '"') {
      kind = TokenKind::kQuotedName;
      end = quotedEnd(text, i, '"');
    } else if (std::isdigit(c) || (c == '.' && i + 1 < text.size() &&
                                   std::isdigit(static_cast<unsigned char>(text[i + 1])) &&
                                   (tokens.empty() || !tokens.back().isName()))) {
      kind = TokenKind::kNumber;
      while (end < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
        ++end;
      }
    } else if (isWordStart(c)) {
      kind = TokenKind::kWord;
      while (end < text.size() && isWordPart(static_cast<unsigned char>(text[end]))) ++end;
    }
    tokens.push_back(Token{kind, std::string(text.substr(i, end - i))});
    i = end;
  }
  return tokens;
}

std::string joinTokens(const Tokens& tokens, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < tokens.size() && i < end; ++i) text += tokens[i].text;
  return text;
}

std::size_t nextSignificant(const Tokens& tokens, std::size_t from) {
  while (from < tokens.size() && tokens[from].isSpace()) ++from;
  return from;
}

std::size_t previousSignificant(const Tokens& tokens, std::size_t before) {
  while (before > 0) {
    --before;
    if (!tokens[before].isSpace()) return before;
  }
  return static_cast<std::size_t>(-1);
}

std::size_t matchingParenthesis(const Tokens& tokens, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < tokens.size(); ++i) {
    if (tokens[i].isSymbol('(')) {
      ++depth;
    } else if (tokens[i].isSymbol(')')) {
      if (--depth == 0) return i;
    }
  }
  return tokens.size();
}

std::string nameOf(const Token& token) {
  if (token.kind != TokenKind::kQuotedName || token.text.empty()) return token.text;
  const char close = token.text[0] == '[' ? ']' : '"';
  std::string name;
  std::size_t end = token.text.size();
  if (end >= 2 && token.text[end - 1] == close) --end;
  for (std::size_t i = 1; i < end; ++i) {
    name += token.text[i];
    if (token.text[i] == close && i + 1 < end && token.text[i + 1] == close) ++i;
  }
  return name;
}

std::string literalValue(const Token& token) {
  std::string value;
  std::size_t end = token.text.size();
  if (end >= 2 && token.text[end - 1] == '\'') --end;
  for (std::size_t i = 1; i < end; ++i) {
    value += token.text[i];
    if (token.text[i] == '\'' && i + 1 < end && token.text[i + 1] == '\'') ++i;
  }
  return value;
}

std::string quoteLiteral(std::string_view value) {
  std::string text = "'";
  for (char c : value) {
    text += c;
    if (c == '\'') text += '\'';
  }
  return text + "'";
}

std::string quoteName(std::string_view name) {
  std::string text = "\"";
  for (char c : name) {
    text += c;
    if (c == '"') text += '"';
  }
  return text + "\"";
}

}  // namespace velmora
