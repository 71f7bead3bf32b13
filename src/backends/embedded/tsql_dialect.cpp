#include "backends/embedded/tsql_dialect.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "backends/embedded/tsql_tokens.h"

namespace velmora {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

Token word(std::string text) { return Token{TokenKind::kWord, std::move(text)}; }
Token symbol(char c) { return Token{TokenKind::kSymbol, std::string(1, c)}; }
Token space() { return Token{TokenKind::kSpace, " "}; }

// ---------------------------------------------------------------------------
// Whole-statement patterns.

// Matches the significant tokens of `tokens` against `pattern`, whose items
// are keywords (matched without regard to case), one-character symbols, "$s"
// (a string literal, captured) or "$n" (a name, captured). Trailing blanks
// and semicolons are allowed. Returns the captures, or nullopt.
std::optional<std::vector<std::string>> matchStatement(const Tokens& tokens,
                                                       std::initializer_list<std::string_view> pattern) {
  std::vector<std::string> captures;
  std::size_t i = nextSignificant(tokens, 0);
  for (std::string_view item : pattern) {
    if (i >= tokens.size()) return std::nullopt;
    const Token& t = tokens[i];
    if (item == "$s") {
      if (t.kind != TokenKind::kString) return std::nullopt;
      captures.push_back(literalValue(t));
    } else if (item == "$n") {
      if (!t.isName()) return std::nullopt;
      captures.push_back(nameOf(t));
    } else if (std::isdigit(static_cast<unsigned char>(item[0]))) {
      if (t.kind != TokenKind::kNumber || t.text != item) return std::nullopt;
    } else if (item.size() == 1 && !std::isalpha(static_cast<unsigned char>(item[0]))) {
      if (!t.isSymbol(item[0])) return std::nullopt;
    } else if (!t.isWord(item)) {
      return std::nullopt;
    }
    i = nextSignificant(tokens, i + 1);
  }
  while (i < tokens.size() && tokens[i].isSymbol(';')) i = nextSignificant(tokens, i + 1);
  if (i != tokens.size()) return std::nullopt;
  return captures;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// if exists (select * from sysobjects where type='v' and name='X') drop view X
// else if exists (select * from sysobjects where type='u' and name='X') drop table X
std::optional<std::string> matchStagingDrop(const Tokens& tokens) {
  auto m = matchStatement(tokens, {"if", "exists", "(", "select", "*", "from", "sysobjects", "where", "type",
                                   "=", "$s", "and", "name", "=", "$s", ")", "drop", "view", "$n", "else",
                                   "if", "exists", "(", "select", "*", "from", "sysobjects", "where", "type",
                                   "=", "$s", "and", "name", "=", "$s", ")", "drop", "table", "$n"});
  if (!m) return std::nullopt;
  const auto& c = *m;
  if (!equalsNoCase(c[0], "v") || !equalsNoCase(c[3], "u")) return std::nullopt;
  if (!equalsNoCase(c[1], c[2]) || !equalsNoCase(c[1], c[4]) || !equalsNoCase(c[1], c[5])) return std::nullopt;
  return c[2];
}

// select COLUMN_NAME, TABLE_NAME from INFORMATION_SCHEMA.COLUMNS where
// TABLE_SCHEMA = 'dbo' and table_name='T' and
// COLUMNPROPERTY(object_id(TABLE_NAME), COLUMN_NAME, 'IsIdentity') <> 1
std::optional<std::string> matchColumnQuery(const Tokens& tokens) {
  auto m = matchStatement(tokens, {"select", "COLUMN_NAME", ",", "TABLE_NAME", "from", "INFORMATION_SCHEMA", ".",
                                   "COLUMNS", "where", "TABLE_SCHEMA", "=", "$s", "and", "table_name", "=", "$s",
                                   "and", "COLUMNPROPERTY", "(", "object_id", "(", "TABLE_NAME", ")", ",",
                                   "COLUMN_NAME", ",", "$s", ")", "<", ">", "1"});
  if (!m) return std::nullopt;
  if (!equalsNoCase((*m)[2], "IsIdentity")) return std::nullopt;
  return (*m)[1];
}

// The columns of table `table` of main, in declaration order, without its
// INTEGER PRIMARY KEY column (the identity).
std::string columnQuerySql(const std::string& table) {
  const std::string t = quoteLiteral(table);
  return "SELECT name AS COLUMN_NAME, " + t + " AS TABLE_NAME FROM pragma_table_info(" + t +
         ",'main') WHERE NOT (pk = 1 AND upper(type) = 'INTEGER' AND (SELECT count(*) FROM pragma_table_info(" +
         t + ",'main') WHERE pk > 0) = 1) ORDER BY cid";
}

// select COLUMN_NAME, DATA_TYPE from INFORMATION_SCHEMA.COLUMNS where
// TABLE_SCHEMA = 'dbo' and table_name='T' and DATA_TYPE in ('a','b',...)
// -> the columns of T of main whose declared type is one of those.
std::optional<std::string> matchTypedColumnQuery(const Tokens& tokens) {
  const auto in = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) { return t.isWord("in"); });
  if (in == tokens.end()) return std::nullopt;
  auto m = matchStatement(Tokens(tokens.begin(), in),
                          {"select", "COLUMN_NAME", ",", "DATA_TYPE", "from", "INFORMATION_SCHEMA", ".", "COLUMNS",
                           "where", "TABLE_SCHEMA", "=", "$s", "and", "table_name", "=", "$s", "and", "DATA_TYPE"});
  if (!m) return std::nullopt;
  // ( 'a' , 'b' ... ) and nothing after it but blanks and semicolons.
  std::vector<const Token*> rest;
  for (auto it = in + 1; it != tokens.end(); ++it) {
    if (!it->isSpace() && !it->isSymbol(';')) rest.push_back(&*it);
  }
  if (rest.size() < 3 || rest.size() % 2 == 0 || !rest.front()->isSymbol('(') || !rest.back()->isSymbol(')')) {
    return std::nullopt;
  }
  std::string types;
  for (std::size_t k = 1; k + 1 < rest.size(); ++k) {
    if (k % 2 == 0) {
      if (!rest[k]->isSymbol(',')) return std::nullopt;
      continue;
    }
    if (rest[k]->kind != TokenKind::kString) return std::nullopt;
    std::string type = literalValue(*rest[k]);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    types += (types.empty() ? "" : ",") + quoteLiteral(type);
  }
  const std::string t = quoteLiteral((*m)[1]);
  return "SELECT name AS COLUMN_NAME, lower(type) AS DATA_TYPE FROM pragma_table_info(" + t +
         ",'main') WHERE lower(type) IN (" + types + ") ORDER BY cid";
}

// ---------------------------------------------------------------------------
// Token passes.

// [S].D.Dbo.T -> schema.T
bool rewriteLinkedNames(Tokens& tokens, const LinkedSchemaResolver& resolver) {
  bool linked = false;
  for (std::size_t i = 0; i + 6 < tokens.size(); ++i) {
    if (!tokens[i].isName()) continue;
    if (i > 0 && tokens[i - 1].isSymbol('.')) continue;
    if (!(tokens[i + 1].isSymbol('.') && tokens[i + 2].isName() && tokens[i + 3].isSymbol('.') &&
          tokens[i + 4].isName() && tokens[i + 5].isSymbol('.') && tokens[i + 6].isName())) {
      continue;
    }
    if (i + 7 < tokens.size() && tokens[i + 7].isSymbol('.')) continue;
    const std::string schema = resolver(nameOf(tokens[i]), nameOf(tokens[i + 2]));
    Token table = tokens[i + 6];
    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.begin() + static_cast<std::ptrdiff_t>(i + 7));
    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), {word(schema), symbol('.'), table});
    linked = true;
  }
  return linked;
}

bool isTableHint(const Token& t) {
  static constexpr std::string_view kHints[] = {
      "nolock",   "readuncommitted", "readcommitted", "repeatableread", "serializable", "holdlock",
      "tablock",  "tablockx",        "updlock",       "xlock",          "rowlock",      "paglock",
      "readpast", "nowait"};
  return std::any_of(std::begin(kHints), std::end(kHints), [&](std::string_view h) { return t.isWord(h); });
}

// with (nolock), with (TABLOCK, HOLDLOCK), ... -> nothing. SQLite has no
// table hints: its reads see committed data, and a transaction the session
// begins already holds the database's write lock (BEGIN IMMEDIATE).
void removeTableHints(Tokens& tokens) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!tokens[i].isWord("with")) continue;
    const std::size_t open = nextSignificant(tokens, i + 1);
    if (open >= tokens.size() || !tokens[open].isSymbol('(')) continue;
    std::size_t at = nextSignificant(tokens, open + 1);
    bool hints = false;
    while (at < tokens.size() && isTableHint(tokens[at])) {
      hints = true;
      at = nextSignificant(tokens, at + 1);
      if (at < tokens.size() && tokens[at].isSymbol(',')) at = nextSignificant(tokens, at + 1);
    }
    if (!hints || at >= tokens.size() || !tokens[at].isSymbol(')')) continue;
    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.begin() + static_cast<std::ptrdiff_t>(at + 1));
    --i;
  }
}

// isnull(a,b) -> (ifnull(a,b) COLLATE NOCASE)
void rewriteIsnull(Tokens& tokens) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!tokens[i].isWord("isnull")) continue;
    const std::size_t open = nextSignificant(tokens, i + 1);
    if (open >= tokens.size() || !tokens[open].isSymbol('(')) continue;
    const std::size_t close = matchingParenthesis(tokens, open);
    if (close >= tokens.size()) continue;
    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(close + 1),
                  {space(), word("COLLATE"), space(), word("NOCASE"), symbol(')')});
    tokens[i].text = "ifnull";
    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), symbol('('));
    ++i;
  }
}

// Splits the arguments between the parentheses at `open` and `close` at the
// commas of their own level: [begin, end) index pairs.
std::vector<std::pair<std::size_t, std::size_t>> splitArguments(const Tokens& tokens, std::size_t open,
                                                                std::size_t close) {
  std::vector<std::pair<std::size_t, std::size_t>> args;
  int depth = 0;
  std::size_t begin = open + 1;
  for (std::size_t i = open + 1; i < close; ++i) {
    if (tokens[i].isSymbol('(')) ++depth;
    if (tokens[i].isSymbol(')')) --depth;
    if (depth == 0 && tokens[i].isSymbol(',')) {
      args.emplace_back(begin, i);
      begin = i + 1;
    }
  }
  args.emplace_back(begin, close);
  return args;
}

// BINARY_CHECKSUM(a, b, ...) at i: the row's exact image instead of a
// checksum, (quote(a)||char(31)||quote(b)...), which changes whenever a
// value does. Returns false when the call has no argument list.
bool rewriteRowChecksum(Tokens& tokens, std::size_t i, std::size_t open) {
  const std::size_t close = matchingParenthesis(tokens, open);
  if (close >= tokens.size()) return false;
  std::string text = "(";
  for (const auto& [begin, end] : splitArguments(tokens, open, close)) {
    if (text.size() > 1) text += "||char(31)||";
    text += "quote(" + joinTokens(tokens, begin, end) + ")";
  }
  text += ")";
  Tokens replacement = tokenize(text);
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.begin() + static_cast<std::ptrdiff_t>(close + 1));
  tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), replacement.begin(), replacement.end());
  return true;
}

// Right( Left( CONVERT( -> application-defined functions; BINARY_CHECKSUM(
// -> the row image
void rewriteFunctions(Tokens& tokens) {
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind != TokenKind::kWord) continue;
    const std::size_t open = nextSignificant(tokens, i + 1);
    if (open >= tokens.size() || !tokens[open].isSymbol('(')) continue;
    if (i > 0 && tokens[i - 1].isSymbol('.')) continue;
    if (tokens[i].isWord("binary_checksum")) {
      rewriteRowChecksum(tokens, i, open);
    } else if (tokens[i].isWord("right")) {
      tokens[i].text = kRightFunction;
    } else if (tokens[i].isWord("left")) {
      tokens[i].text = kLeftFunction;
    } else if (tokens[i].isWord("convert")) {
      const std::size_t close = matchingParenthesis(tokens, open);
      if (close >= tokens.size()) continue;
      const auto args = splitArguments(tokens, open, close);
      if (args.size() < 2 || args.size() > 3) continue;
      std::string length = "-1";
      for (std::size_t k = args[0].first; k < args[0].second; ++k) {
        if (tokens[k].kind == TokenKind::kNumber) {
          length = tokens[k].text;
          break;
        }
      }
      const std::string style = args.size() == 3 ? joinTokens(tokens, args[2].first, args[2].second) : "0";
      const std::string text = std::string(kConvertFunction) + "(" +
                               joinTokens(tokens, args[1].first, args[1].second) + "," + style + "," + length + ")";
      Tokens replacement = tokenize(text);
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.begin() + static_cast<std::ptrdiff_t>(close + 1));
      tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), replacement.begin(), replacement.end());
    }
  }
}

// Index of the last significant token that is not ';' (kNone if none).
std::size_t statementEnd(const Tokens& tokens) {
  std::size_t last = previousSignificant(tokens, tokens.size());
  while (last != kNone && tokens[last].isSymbol(';')) last = previousSignificant(tokens, last);
  return last;
}

// select top n ... -> select ... LIMIT n
void rewriteTop(Tokens& tokens) {
  const std::size_t select = nextSignificant(tokens, 0);
  if (select >= tokens.size() || !tokens[select].isWord("select")) return;
  const std::size_t top = nextSignificant(tokens, select + 1);
  if (top >= tokens.size() || !tokens[top].isWord("top")) return;
  std::size_t count = nextSignificant(tokens, top + 1);
  std::size_t last = count;
  if (count < tokens.size() && tokens[count].isSymbol('(')) {
    last = matchingParenthesis(tokens, count);
    count = nextSignificant(tokens, count + 1);
  }
  if (count >= tokens.size() || tokens[count].kind != TokenKind::kNumber || last >= tokens.size()) return;
  const std::string n = tokens[count].text;
  std::size_t eraseEnd = last + 1;
  if (eraseEnd < tokens.size() && tokens[eraseEnd].kind == TokenKind::kSpace) ++eraseEnd;
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(top), tokens.begin() + static_cast<std::ptrdiff_t>(eraseEnd));
  const std::size_t end = statementEnd(tokens);
  tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(end + 1), {space(), word("LIMIT"), space(), Token{TokenKind::kNumber, n}});
}

// Index of the first token at or after `from` at parenthesis depth 0
// (relative to `from`) that is the word `keyword`; kNone if none.
std::size_t findTopLevelWord(const Tokens& tokens, std::size_t from, std::string_view keyword,
                             std::size_t end = kNone) {
  int depth = 0;
  for (std::size_t i = from; i < tokens.size() && i < end; ++i) {
    if (tokens[i].isSymbol('(')) ++depth;
    if (tokens[i].isSymbol(')')) --depth;
    if (depth == 0 && tokens[i].isWord(keyword)) return i;
  }
  return kNone;
}

// A table reference at `at`: a name, or schema.name. Returns the index one
// past it, and the schema and table tokens.
struct TableRef {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::optional<Token> schema;
  Token table;
};

std::optional<TableRef> tableRefAt(const Tokens& tokens, std::size_t at) {
  if (at >= tokens.size() || !tokens[at].isName()) return std::nullopt;
  TableRef ref{at, at + 1, std::nullopt, tokens[at]};
  if (at + 2 < tokens.size() && tokens[at + 1].isSymbol('.') && tokens[at + 2].isName()) {
    ref.schema = tokens[at];
    ref.table = tokens[at + 2];
    ref.end = at + 3;
  }
  return ref;
}

// select * into X from T ... -> insert into X select * from T ...
// Returns true (and fills `out`) for the "select *" form.
bool rewriteSelectInto(Tokens& tokens, Translation& out) {
  const std::size_t select = nextSignificant(tokens, 0);
  if (select >= tokens.size() || !tokens[select].isWord("select")) return false;
  const std::size_t from = findTopLevelWord(tokens, select + 1, "from");
  const std::size_t into = findTopLevelWord(tokens, select + 1, "into", from);
  if (into == kNone) return false;
  const std::size_t target = nextSignificant(tokens, into + 1);
  if (target >= tokens.size() || !tokens[target].isName()) return false;
  const Token targetToken = tokens[target];
  const std::size_t star = nextSignificant(tokens, select + 1);
  const bool selectAll = tokens[star].isSymbol('*') && nextSignificant(tokens, star + 1) == into;
  if (!selectAll || from == kNone) {
    // Another select list: CREATE TABLE ... AS keeps the columns, not their types.
    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(into), tokens.begin() + static_cast<std::ptrdiff_t>(target + 1));
    const Tokens head = tokenize("CREATE TABLE " + targetToken.text + " AS ");
    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(select), head.begin(), head.end());
    return false;
  }
  const auto source = tableRefAt(tokens, nextSignificant(tokens, from + 1));
  if (!source) return false;
  out.kind = Translation::Kind::kSelectInto;
  out.objectName = nameOf(targetToken);
  out.sourceSchema = source->schema ? nameOf(*source->schema) : "main";
  out.sourceTable = nameOf(source->table);
  Tokens rewritten = tokenize("INSERT INTO " + targetToken.text + " SELECT * FROM ");
  rewritten.insert(rewritten.end(), tokens.begin() + static_cast<std::ptrdiff_t>(source->begin), tokens.end());
  tokens = std::move(rewritten);
  return true;
}

bool isClauseKeyword(const Token& t) {
  static constexpr std::string_view kKeywords[] = {
      "where", "group", "order", "having", "limit", "union", "except", "intersect", "on",
      "join",  "inner", "left",  "right",  "cross", "natural", "outer", "set",    "values", "window"};
  return std::any_of(std::begin(kKeywords), std::end(kKeywords), [&](std::string_view k) { return t.isWord(k); });
}

// One item of a FROM list: the table reference and its alias.
struct FromItem {
  TableRef ref;
  std::optional<Token> alias;
  std::size_t begin;
  std::size_t end;
};

std::optional<FromItem> parseFromItem(const Tokens& tokens, std::size_t begin, std::size_t end) {
  const std::size_t first = nextSignificant(tokens, begin);
  auto ref = tableRefAt(tokens, first);
  if (!ref || ref->end > end) return std::nullopt;
  FromItem item{*ref, std::nullopt, begin, end};
  std::size_t next = nextSignificant(tokens, ref->end);
  if (next < end && tokens[next].isWord("as")) next = nextSignificant(tokens, next + 1);
  if (next < end && tokens[next].isName()) {
    item.alias = tokens[next];
    next = nextSignificant(tokens, next + 1);
  }
  if (next < end) return std::nullopt;  // something other than "name [as] alias"
  return item;
}

// Update T set ... from T A, X B where ... -> UPDATE T AS A SET ... FROM X B WHERE ...
void rewriteUpdateFrom(Tokens& tokens) {
  const std::size_t update = nextSignificant(tokens, 0);
  if (update >= tokens.size() || !tokens[update].isWord("update")) return;
  const auto target = tableRefAt(tokens, nextSignificant(tokens, update + 1));
  if (!target) return;
  const std::size_t set = findTopLevelWord(tokens, target->end, "set");
  if (set == kNone) return;
  const std::size_t from = findTopLevelWord(tokens, set + 1, "from");
  if (from == kNone) return;
  std::size_t listEnd = findTopLevelWord(tokens, from + 1, "where");
  if (listEnd == kNone) listEnd = statementEnd(tokens) + 1;

  std::vector<FromItem> items;
  std::size_t begin = from + 1;
  int depth = 0;
  for (std::size_t i = from + 1; i <= listEnd; ++i) {
    if (i < listEnd && tokens[i].isSymbol('(')) ++depth;
    if (i < listEnd && tokens[i].isSymbol(')')) --depth;
    if (i == listEnd || (depth == 0 && tokens[i].isSymbol(','))) {
      auto item = parseFromItem(tokens, begin, i);
      if (!item) return;  // joins or subqueries: leave the statement to SQLite
      items.push_back(*item);
      begin = i + 1;
    }
  }
  const std::string targetName = nameOf(target->table);
  auto self = std::find_if(items.begin(), items.end(), [&](const FromItem& item) {
    const bool sameSchema = item.ref.schema.has_value() == target->schema.has_value() &&
                            (!target->schema || equalsNoCase(nameOf(*item.ref.schema), nameOf(*target->schema)));
    return (sameSchema && equalsNoCase(nameOf(item.ref.table), targetName)) ||
           (!target->schema && item.alias && equalsNoCase(nameOf(*item.alias), targetName));
  });
  if (self == items.end()) return;

  std::string text = "UPDATE " + joinTokens(tokens, self->ref.begin, self->ref.end);
  if (self->alias) text += " AS " + self->alias->text;
  text += " " + joinTokens(tokens, set, from);
  bool firstOther = true;
  for (auto it = items.begin(); it != items.end(); ++it) {
    if (it == self) continue;
    text += firstOther ? "FROM " : ",";
    firstOther = false;
    std::size_t b = nextSignificant(tokens, it->begin);
    std::size_t e = previousSignificant(tokens, it->end) + 1;
    text += joinTokens(tokens, b, e);
  }
  if (!firstOther) text += " ";
  Tokens rewritten = tokenize(text);
  rewritten.insert(rewritten.end(), tokens.begin() + static_cast<std::ptrdiff_t>(listEnd), tokens.end());
  Tokens head(tokens.begin(), tokens.begin() + static_cast<std::ptrdiff_t>(update));
  head.insert(head.end(), rewritten.begin(), rewritten.end());
  tokens = std::move(head);
}

// Unqualified table names after FROM, JOIN, UPDATE and INTO (and after the
// commas of a FROM list) -> main.name
void qualifyLocalTables(Tokens& tokens) {
  // One entry per open parenthesis level: whether a FROM list is being read.
  std::vector<bool> inFromList{false};
  enum class Expect { kNothing, kTable, kTableOrFunction };
  Expect expect = Expect::kNothing;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    Token& t = tokens[i];
    if (t.isSpace()) continue;
    if (expect != Expect::kNothing) {
      const Expect was = expect;
      expect = Expect::kNothing;
      if (t.isName() && !(t.kind == TokenKind::kWord && (t.isWord("select") || t.isWord("or")))) {
        const std::size_t next = nextSignificant(tokens, i + 1);
        const bool qualified = next < tokens.size() && tokens[next].isSymbol('.') &&
                               i + 1 < tokens.size() && tokens[i + 1].isSymbol('.');
        const bool call = was == Expect::kTableOrFunction && next < tokens.size() && tokens[next].isSymbol('(');
        if (!qualified && !call) {
          tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), {word("main"), symbol('.')});
          i += 2;
        }
        continue;
      }
    }
    if (t.isSymbol('(')) {
      inFromList.push_back(false);
    } else if (t.isSymbol(')')) {
      if (inFromList.size() > 1) inFromList.pop_back();
    } else if (t.isWord("from")) {
      inFromList.back() = true;
      expect = Expect::kTableOrFunction;
    } else if (t.isWord("join")) {
      expect = Expect::kTableOrFunction;
    } else if (t.isWord("update") || t.isWord("into")) {
      expect = Expect::kTable;
    } else if (t.isSymbol(',') && inFromList.back()) {
      expect = Expect::kTableOrFunction;
    } else if (isClauseKeyword(t) || t.isWord("select")) {
      inFromList.back() = false;
    }
  }
}

// select * from schema.T [alias] [where ...]: fills the base table and the
// rowid statement of `out`.
void describeSingleTableSelect(const Tokens& tokens, Translation& out) {
  const std::size_t select = nextSignificant(tokens, 0);
  if (select >= tokens.size() || !tokens[select].isWord("select")) return;
  const std::size_t star = nextSignificant(tokens, select + 1);
  if (star >= tokens.size() || !tokens[star].isSymbol('*')) return;
  const std::size_t from = nextSignificant(tokens, star + 1);
  if (from >= tokens.size() || !tokens[from].isWord("from")) return;
  const auto ref = tableRefAt(tokens, nextSignificant(tokens, from + 1));
  if (!ref || !ref->schema) return;
  std::size_t next = nextSignificant(tokens, ref->end);
  if (next < tokens.size() && tokens[next].isWord("as")) next = nextSignificant(tokens, next + 1);
  if (next < tokens.size() && tokens[next].isName() && !isClauseKeyword(tokens[next])) {
    next = nextSignificant(tokens, next + 1);
  }
  if (next < tokens.size() && !tokens[next].isWord("where") && !tokens[next].isWord("order") &&
      !tokens[next].isWord("limit") && !tokens[next].isSymbol(';')) {
    return;
  }
  for (std::size_t i = next; i < tokens.size(); ++i) {
    if (tokens[i].isWord("group") || tokens[i].isWord("union") || tokens[i].isWord("except") ||
        tokens[i].isWord("intersect")) {
      return;
    }
  }
  out.baseSchema = nameOf(*ref->schema);
  out.baseTable = nameOf(ref->table);
  out.rowidSql = joinTokens(tokens, 0, star) + "rowid" + joinTokens(tokens, star + 1);
}

}  // namespace

Translation translateTsql(std::string_view tsql, const LinkedSchemaResolver& resolver) {
  Translation out;
  Tokens tokens = tokenize(tsql);
  if (auto name = matchStagingDrop(tokens)) {
    out.kind = Translation::Kind::kDropIfExists;
    out.objectName = *name;
    return out;
  }
  if (auto table = matchColumnQuery(tokens)) {
    out.sql = columnQuerySql(*table);
    return out;
  }
  if (auto sql = matchTypedColumnQuery(tokens)) {
    out.sql = *sql;
    return out;
  }
  out.usesLinkedServer = rewriteLinkedNames(tokens, resolver);
  removeTableHints(tokens);
  rewriteIsnull(tokens);
  rewriteFunctions(tokens);
  rewriteTop(tokens);
  if (!rewriteSelectInto(tokens, out)) rewriteUpdateFrom(tokens);
  qualifyLocalTables(tokens);
  if (out.kind == Translation::Kind::kStatement) describeSingleTableSelect(tokens, out);
  out.sql = joinTokens(tokens);
  return out;
}

}  // namespace velmora
