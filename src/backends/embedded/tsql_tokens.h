// A lexer for the T-SQL texts the agent sends: it splits a statement into
// tokens whose texts, joined again, give back the statement byte for byte, so
// that rewrites can work on words and symbols without ever touching the
// inside of a string literal or a quoted name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class TokenKind {
  kSpace,       // a run of blanks, tabs and line breaks
  kComment,     // -- to the end of the line, or /* ... */
  kWord,        // a name or keyword: letters, digits, _ @ # $
  kNumber,      // digits with an optional fraction
  kString,      // '...' with '' standing for one quote
  kQuotedName,  // [...] with ]] standing for one bracket, or "..."
  kSymbol,      // one character of punctuation or an operator
};

struct Token {
  TokenKind kind;
  std::string text;

  bool isSpace() const { return kind == TokenKind::kSpace || kind == TokenKind::kComment; }
  // True for a word equal to `keyword` without regard to letter case.
  bool isWord(std::string_view keyword) const;
  bool isSymbol(char symbol) const {
    return kind == TokenKind::kSymbol && text.size() == 1 && text[0] == symbol;
  }
  // True for a word or a quoted name: something that can name an object.
  bool isName() const { return kind == TokenKind::kWord || kind == TokenKind::kQuotedName; }
};

using Tokens = std::vector<Token>;

// Splits `text` into tokens. An unterminated literal or quoted name runs to
// the end of the text. Never fails.
Tokens tokenize(std::string_view text);

// Joins the tokens' texts.
std::string joinTokens(const Tokens& tokens, std::size_t begin = 0, std::size_t end = static_cast<std::size_t>(-1));

// Index of the first token at or after `from` that is neither space nor
// comment; tokens.size() when there is none.
std::size_t nextSignificant(const Tokens& tokens, std::size_t from);

// Index of the last token before `before` that is neither space nor comment;
// npos when there is none.
std::size_t previousSignificant(const Tokens& tokens, std::size_t before);

// Index of the ')' that closes the '(' at `open`; tokens.size() when the
// parenthesis is never closed.
std::size_t matchingParenthesis(const Tokens& tokens, std::size_t open);

// The name a word or quoted-name token stands for: brackets and double quotes
// removed, doubled closing characters made single.
std::string nameOf(const Token& token);

// The text a string literal token stands for ('' made single).
std::string literalValue(const Token& token);

// `value` as a string literal.
std::string quoteLiteral(std::string_view value);

// `name` as a double-quoted SQLite identifier.
std::string quoteName(std::string_view name);

}  // namespace velmora
