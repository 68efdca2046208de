#include "sql/translator.h"

#include "automation/error.h"
#include "sql/dates.h"
#include "sql/function_table.h"
#include "sql/tokenizer.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace sql {

QString quoteIdentifier(const QString& name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

namespace {

QString quoteString(const QString& s)
{
    QString q = s;
    q.replace(u'\'', QStringLiteral("''"));
    return u'\'' + q + u'\'';
}

[[noreturn]] void fail(const QString& message)
{
    throw automation::Error(message);
}

// Words that end a select item, a table reference or an expression, so never an alias.
bool isReserved(const Token& t)
{
    static const char* const words[] = {
        "SELECT", "FROM", "WHERE", "GROUP", "HAVING", "ORDER", "BY", "UNION", "INNER", "LEFT",
        "RIGHT", "FULL", "OUTER", "CROSS", "JOIN", "ON", "AS", "INTO", "IN", "AND", "OR", "NOT",
        "XOR", "EQV", "IMP", "MOD", "LIKE", "IS", "BETWEEN", "ASC", "DESC", "DISTINCT",
        "DISTINCTROW", "TOP", "ALL", "WITH", "OWNERACCESS", "PERCENT", "NULL", "EXISTS"};
    if (t.kind != Token::Kind::Word) return false;
    for (const char* w : words)
        if (t.isWord(w)) return true;
    return false;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, const TranslateOptions& options)
        : m_t(std::move(tokens)), m_options(options) {}

    long long topCount = -1;
    std::vector<int> tieColumns;
    Translation::Probed pendingProbe;
    QStringList probeArgs;
    std::vector<Translation::Probed> probed;
    QString probeSql;

    QString statement()
    {
        const Token& first = peek();
        if (first.isWord("SELECT") || (first.isSymbol("(") && peek(1).isWord("SELECT"))) {
            QString out = query();
            while (acceptSymbol(";")) {}
            if (peek().kind != Token::Kind::End)
                fail(QStringLiteral("Characters found after end of SQL statement."));
            return out;
        }
        static const char* const writes[] = {"INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "ALTER",
                                             "GRANT", "REVOKE", "ATTACH", "DETACH", "PRAGMA",
                                             "VACUUM", "REINDEX", "REPLACE"};
        for (const char* w : writes)
            if (first.isWord(w))
                fail(QStringLiteral("Only SELECT statements can run here: the database is opened "
                                    "read-only."));
        if (first.isWord("TRANSFORM"))
            fail(QStringLiteral("Crosstab queries (TRANSFORM ... PIVOT) are not supported."));
        if (first.isWord("PARAMETERS"))
            fail(QStringLiteral("Parameter queries are not supported: there is no way to supply "
                                "the parameters."));
        if (first.kind == Token::Kind::End)
            fail(QStringLiteral("The SQL statement is empty."));
        fail(QStringLiteral("Invalid SQL statement; expected 'SELECT'."));
    }

private:
    std::vector<Token> m_t;
    std::size_t m_i = 0;
    const TranslateOptions& m_options;

    const Token& peek(std::size_t k = 0) const
    {
        const std::size_t j = m_i + k;
        return j < m_t.size() ? m_t[j] : m_t.back();
    }
    Token take()
    {
        Token t = peek();
        if (m_i < m_t.size() - 1) ++m_i;
        return t;
    }
    bool acceptWord(const char* w)
    {
        if (!peek().isWord(w)) return false;
        take();
        return true;
    }
    bool acceptSymbol(const char* s)
    {
        if (!peek().isSymbol(s)) return false;
        take();
        return true;
    }
    [[noreturn]] void syntaxError(const QString& what) const
    {
        const Token& t = peek();
        QString near = t.kind == Token::Kind::End ? QStringLiteral("the end of the statement")
                                                   : QStringLiteral("'%1'").arg(t.text);
        fail(QStringLiteral("Syntax error: %1 near %2 (position %3).").arg(what, near, QString::number(t.pos + 1)));
    }
    void expectWord(const char* w)
    {
        if (!acceptWord(w)) syntaxError(QStringLiteral("expected %1").arg(QLatin1String(w)));
    }
    void expectSymbol(const char* s)
    {
        if (!acceptSymbol(s)) syntaxError(QStringLiteral("expected '%1'").arg(QLatin1String(s)));
    }

    // A select, or several joined by UNION, with the ORDER BY of the whole.
    int m_depth = 0;
    bool m_probeCore = false;
    struct LastCall { std::size_t start = 0, end = 0; QString sqlName; QString arg; } m_lastCall;

    QString query()
    {
        ++m_depth;
        struct DepthGuard { int& d; ~DepthGuard() { --d; } } guard{m_depth};
        Nest nest(*this);
        QStringList parts;
        QString orderBy;
        QStringList orderTerms;
        QString limit;
        bool compound = false;
        for (bool firstCore = true;; firstCore = false) {
            m_probeCore = m_depth == 1 && firstCore;
            SelectCore core = selectCore();
            m_probeCore = false;
            // ORDER BY after the last member orders the whole result.
            if (peek().isWord("ORDER")) {
                orderBy = orderByClause();
                orderTerms = m_lastOrderTerms;
            }
            parts << core.sql;
            const bool more = peek().isWord("UNION");
            if (more || compound) {
                if (!core.top.isEmpty()) {
                    // TOP of one member of a union limits that member only.
                    parts.back() = QStringLiteral("SELECT * FROM (%1 %2)").arg(core.sql, core.topLimit(QString()));
                }
            } else {
                limit = core.top.isEmpty() ? QString() : core.topLimit(orderBy);
                // Jet's TOP n keeps the rows that tie with the n-th in the ORDER BY: the
                // recordset stops after n rows once the ordering values change.
                if (!limit.isEmpty() && !core.topPercent && !orderBy.isEmpty() && m_depth == 1 && !core.star) {
                    std::vector<int> cols;
                    for (const QString& t : orderTerms) {
                        const int c = resultColumnOf(t, core);
                        if (c < 0) { cols.clear(); break; }
                        cols.push_back(c);
                    }
                    if (!cols.empty()) {
                        topCount = core.top.toLongLong();
                        tieColumns = cols;
                        limit.clear();
                    }
                }
                if (core.topPercent) {
                    // Rows to keep depend on the size of the result: count it first.
                    return QStringLiteral("SELECT * FROM (%1%2) LIMIT (SELECT jet_percent_rows(count(*), %3) FROM (%1))")
                        .arg(core.sql, orderBy.isEmpty() ? QString() : u' ' + orderBy, core.top);
                }
            }
            if (!more) break;
            if (!orderBy.isEmpty()) syntaxError(QStringLiteral("ORDER BY must follow the last SELECT of a UNION"));
            compound = true;
            take();
            parts << (acceptWord("ALL") ? QStringLiteral("UNION ALL") : QStringLiteral("UNION"));
        }
        QString out = parts.join(u' ');
        if (!orderBy.isEmpty()) out += u' ' + orderBy;
        if (!limit.isEmpty()) out += u' ' + limit;
        return out;
    }

    struct SelectCore {
        QString sql;
        QStringList itemExprs, itemAliases;   // per select item, translated
        bool star = false;
        QString top;         // the count or percentage of TOP, empty without TOP
        bool topPercent = false;
        QString topLimit(const QString&) const { return QStringLiteral("LIMIT ") + top; }
    };

    // The result column an ORDER BY term names: an ordinal, an alias or the item's expression.
    static int resultColumnOf(const QString& term, const SelectCore& core)
    {
        bool isNumber = false;
        const int ordinal = term.toInt(&isNumber);
        if (isNumber) return ordinal >= 1 && ordinal <= core.itemExprs.size() ? ordinal - 1 : -1;
        for (int i = 0; i < core.itemExprs.size(); ++i) {
            if (core.itemExprs[i].compare(term, Qt::CaseInsensitive) == 0) return i;
            if (!core.itemAliases[i].isEmpty()
                && quoteIdentifier(core.itemAliases[i]).compare(term, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    SelectCore selectCore()
    {
        SelectCore core;
        bool parenthesised = false;
        if (peek().isSymbol("(") && peek(1).isWord("SELECT")) {
            take();
            parenthesised = true;
        }
        expectWord("SELECT");
        QString head = QStringLiteral("SELECT");
        for (int round = 0; round < 2; ++round) {
            if (acceptWord("DISTINCT")) head += QStringLiteral(" DISTINCT");
            else if (acceptWord("DISTINCTROW") || acceptWord("ALL")) {}
            if (peek().isWord("TOP")) {
                take();
                const Token n = take();
                if (n.kind != Token::Kind::Number) syntaxError(QStringLiteral("TOP needs a number"));
                core.top = n.text;
                if (acceptWord("PERCENT")) {
                    core.topPercent = true;
                    bool ok = false;
                    const double p = n.text.toDouble(&ok);
                    if (!ok || !std::isfinite(p)) fail(QStringLiteral("The TOP percentage is not a number."));
                } else {
                    if (n.text.contains(u'.') || n.text.contains(u'e') || n.text.contains(u'E'))
                        fail(QStringLiteral("The TOP count must be a whole number."));
                    bool ok = false;
                    n.text.toLongLong(&ok);
                    if (!ok) fail(QStringLiteral("The TOP count is too large."));
                }
            }
        }
        QStringList items;
        int exprNo = 0;
        bool star = false;
        do {
            const std::size_t start = m_i;
            items << selectItem(exprNo);
            if (items.back().endsWith(QLatin1String("*"))) star = true;
            core.itemExprs << m_lastItemExpr;
            core.itemAliases << m_lastItemAlias;
            // Min(x), Max(x), First(x), Last(x), Sum(x): probe the type of x.
            if (m_probeCore && !star && m_lastCall.start == start && m_lastCall.end > start
                && (m_i == m_lastCall.end || m_t[m_lastCall.end].isWord("AS"))) {
                static const char* const typed[] = {"min", "max", "jet_first", "jet_last", "sum"};
                for (const char* t : typed) {
                    if (m_lastCall.sqlName == QLatin1String(t)) {
                        probed.push_back({int(items.size()) - 1, int(probeArgs.size()), m_lastCall.sqlName == QLatin1String("sum")});
                        probeArgs << m_lastCall.arg;
                        break;
                    }
                }
            }
        } while (acceptSymbol(","));
        if (peek().isWord("INTO"))
            fail(QStringLiteral("SELECT ... INTO cannot run: it would create a table, and the database "
                                "is opened read-only."));
        QString sqlText = head + u' ' + items.join(QStringLiteral(", "));
        if (acceptWord("FROM")) {
            QStringList refs;
            do {
                refs << tableRef();
            } while (acceptSymbol(","));
            sqlText += QStringLiteral(" FROM ") + refs.join(QStringLiteral(", "));
            if (m_probeCore && !probeArgs.isEmpty())
                probeSql = QStringLiteral("SELECT %1 FROM %2").arg(probeArgs.join(QStringLiteral(", ")), refs.join(QStringLiteral(", ")));
        }
        if (acceptWord("WHERE")) sqlText += QStringLiteral(" WHERE ") + expr();
        if (peek().isWord("GROUP")) {
            take();
            expectWord("BY");
            QStringList terms;
            do {
                terms << valueExpr() + QStringLiteral(" COLLATE JET");
            } while (acceptSymbol(","));
            sqlText += QStringLiteral(" GROUP BY ") + terms.join(QStringLiteral(", "));
        }
        if (acceptWord("HAVING")) sqlText += QStringLiteral(" HAVING ") + expr();
        if (acceptWord("WITH")) {
            // WITH OWNERACCESS OPTION only concerns permissions.
            expectWord("OWNERACCESS");
            expectWord("OPTION");
        }
        if (parenthesised) {
            if (peek().isWord("ORDER")) sqlText += u' ' + orderByClause();
            expectSymbol(")");
        }
        core.sql = sqlText;
        core.star = star;
        return core;
    }

    QStringList m_lastOrderTerms;

    QString orderByClause()
    {
        expectWord("ORDER");
        expectWord("BY");
        QStringList terms, bare;
        do {
            bare << valueExpr();
            QString term = bare.back() + QStringLiteral(" COLLATE JET");
            if (acceptWord("DESC")) term += QStringLiteral(" DESC");
            else acceptWord("ASC");
            terms << term;
        } while (acceptSymbol(","));
        m_lastOrderTerms = bare;
        return QStringLiteral("ORDER BY ") + terms.join(QStringLiteral(", "));
    }

    QString m_lastItemExpr, m_lastItemAlias;

    QString selectItem(int& exprNo)
    {
        m_lastItemExpr = QStringLiteral("*");
        m_lastItemAlias.clear();
        if (acceptSymbol("*")) return QStringLiteral("*");
        // name.* and [name].*
        if ((peek().kind == Token::Kind::Word || peek().kind == Token::Kind::Bracketed)
            && (peek(1).isSymbol(".") || peek(1).isSymbol("!")) && peek(2).isSymbol("*")) {
            const Token name = take();
            take();
            take();
            return quoteIdentifier(name.text) + QStringLiteral(".*");
        }
        const std::size_t start = m_i;
        const QString e = valueExpr();
        const bool plainColumn = isColumnReference(start, m_i);
        m_lastItemExpr = e;
        if (acceptWord("AS")) {
            const Token alias = take();
            if (alias.kind != Token::Kind::Word && alias.kind != Token::Kind::Bracketed
                && alias.kind != Token::Kind::String)
                syntaxError(QStringLiteral("expected a name after AS"));
            m_lastItemAlias = alias.text;
            return e + QStringLiteral(" AS ") + quoteIdentifier(alias.text);
        }
        if (!plainColumn) {
            // Jet names unnamed expressions Expr1000, Expr1001, ...
            const QString name = QStringLiteral("Expr%1").arg(1000 + exprNo++);
            m_lastItemAlias = name;
            return e + QStringLiteral(" AS ") + quoteIdentifier(name);
        }
        return e;
    }

    bool isColumnReference(std::size_t from, std::size_t to) const
    {
        // name, or name.name (dots or bangs), nothing else.
        if (to <= from) return false;
        for (std::size_t k = from; k < to; ++k) {
            const Token& t = m_t[k];
            const bool namePos = (k - from) % 2 == 0;
            if (namePos && !((t.kind == Token::Kind::Word && !isConstantWord(t)) || t.kind == Token::Kind::Bracketed))
                return false;
            if (!namePos && !(t.isSymbol(".") || t.isSymbol("!"))) return false;
        }
        return (to - from) % 2 == 1;
    }

    static bool isConstantWord(const Token& t)
    {
        return t.isWord("TRUE") || t.isWord("FALSE") || t.isWord("YES") || t.isWord("NO")
               || t.isWord("NULL") || t.isWord("ON") || t.isWord("OFF");
    }

    // FROM: table references joined with INNER/LEFT/RIGHT JOIN ... ON, parentheses as Access
    // writes them: FROM (a INNER JOIN b ON ...) INNER JOIN c ON ...
    QString tableRef()
    {
        QString left = tableFactor();
        for (;;) {
            QString op;
            if (acceptWord("INNER")) op = QStringLiteral("INNER JOIN");
            else if (acceptWord("LEFT")) { acceptWord("OUTER"); op = QStringLiteral("LEFT JOIN"); }
            else if (acceptWord("RIGHT")) { acceptWord("OUTER"); op = QStringLiteral("RIGHT JOIN"); }
            else if (peek().isWord("JOIN")) op = QStringLiteral("INNER JOIN");
            else break;
            expectWord("JOIN");
            const QString right = tableFactor();
            expectWord("ON");
            const QString on = expr();
            left = QStringLiteral("%1 %2 %3 ON %4").arg(left, op, right, on);
        }
        return left;
    }

    QString tableFactor()
    {
        if (peek().isSymbol("(")) {
            if (peek(1).isWord("SELECT")) {
                take();
                const QString sub = query();
                expectSymbol(")");
                return u'(' + sub + u')' + alias(true);
            }
            take();
            Nest guard(*this);
            const QString inner = tableRef();
            expectSymbol(")");
            return u'(' + inner + u')';
        }
        const Token name = take();
        if (name.kind == Token::Kind::Bracketed && name.text.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)) {
            // Access 97 writes derived tables as [SELECT ...]. AS x
            acceptSymbol(".");
            TranslateOptions opts = m_options;
            Parser inner(tokenize(name.text), opts);
            const QString sub = inner.query();
            if (inner.peek().kind != Token::Kind::End) inner.syntaxError(QStringLiteral("unexpected text"));
            return u'(' + sub + u')' + alias(true);
        }
        if (!(name.kind == Token::Kind::Word && !isReserved(name)) && name.kind != Token::Kind::Bracketed) {
            --m_i;
            syntaxError(QStringLiteral("expected a table name"));
        }
        if (peek().isWord("IN"))
            fail(QStringLiteral("Tables of other databases (IN '...') cannot be used here."));
        QString real = m_options.resolveTable ? m_options.resolveTable(name.text) : QString();
        if (real.isEmpty()) real = name.text;
        QString out = quoteIdentifier(real);
        const QString a = alias(false);
        // Keep the name as written, so that qualified columns still find it.
        if (a.isEmpty() && real != name.text) out += QStringLiteral(" AS ") + quoteIdentifier(name.text);
        return out + a;
    }

    QString alias(bool required)
    {
        if (acceptWord("AS")) {
            const Token a = take();
            if (a.kind != Token::Kind::Word && a.kind != Token::Kind::Bracketed)
                syntaxError(QStringLiteral("expected an alias after AS"));
            return QStringLiteral(" AS ") + quoteIdentifier(a.text);
        }
        if ((peek().kind == Token::Kind::Word && !isReserved(peek())) || peek().kind == Token::Kind::Bracketed)
            return QStringLiteral(" AS ") + quoteIdentifier(take().text);
        if (required) return QStringLiteral(" AS ") + quoteIdentifier(QStringLiteral("Derived%1").arg(m_i));
        return QString();
    }

    // Expressions, lowest precedence first: IMP, EQV, XOR, OR, AND, NOT, comparison, &, + -,
    // Mod, \, * /, unary -, ^.
    // Nesting is bounded: hostile text must not exhaust the stack.
    int m_nesting = 0;
    struct Nest {
        explicit Nest(Parser& p) : p(p)
        {
            if (++p.m_nesting > 200) fail(QStringLiteral("The expression is too complex (nested too deeply)."));
        }
        ~Nest() { --p.m_nesting; }
        Parser& p;
    };

    QString expr()
    {
        Nest guard(*this);
        return impExpr();
    }

    // Whether the text an expression level returned last is a truth value in SQLite's form, 1
    // or 0 (a comparison, AND, OR, NOT, LIKE, IN, EXISTS). Where one is used as a value, Jet's
    // True is -1 (-(a > b) is 1, (a > b) = True holds): jet_bool() gives that. Conditions
    // (WHERE, ON, HAVING, IIf's first argument) keep the plain form, which SQLite hands to the
    // tables' indexes.
    bool m_boolean = false;

    static QString wrapBoolean(const QString& e) { return QStringLiteral("jet_bool(") + e + u')'; }
    QString asValue(const QString& e)
    {
        const bool boolean = m_boolean;
        m_boolean = false;
        return boolean ? wrapBoolean(e) : e;
    }
    // An expression whose value is used (a select item, an argument, an ORDER BY term).
    QString valueExpr() { return asValue(expr()); }

    bool acceptOperator(const char* op)
    {
        return (op[0] >= 'A' && op[0] <= 'Z') ? acceptWord(op) : acceptSymbol(op);
    }

    // One level of left-associative arithmetic: next (op next)*, each op a Jet function.
    QString arithmetic(QString (Parser::*next)(), std::initializer_list<std::pair<const char*, const char*>> ops)
    {
        const QString first = (this->*next)();
        const bool firstBoolean = m_boolean;
        Chain c(first);
        bool applied = false;
        for (;;) {
            const char* function = nullptr;
            for (const auto& [op, name] : ops) {
                if (acceptOperator(op)) {
                    function = name;
                    break;
                }
            }
            if (!function) break;
            if (!applied && firstBoolean) c.wrapBoolean();
            applied = true;
            c.call(QLatin1String(function), asValue((this->*next)()));
        }
        m_boolean = applied ? false : firstBoolean;
        return c.text();
    }

    // A left-associative chain (a + b - c ...) written out in one pass: wrapping the text of
    // the left side again for every operator would cost time quadratic in the chain's length.
    class Chain {
    public:
        explicit Chain(QString first) : m_first(std::move(first)) {}
        // l OP r as name(l, r)
        void call(QLatin1String name, const QString& right)
        {
            m_heads.push_back(name + u'(');
            m_tails.push_back(QStringLiteral(", ") + right + u')');
        }
        // l OP r as (l OP r), where `tail` is " OP r"
        void infix(const QString& tail)
        {
            m_heads.push_back(QStringLiteral("("));
            m_tails.push_back(tail + u')');
        }
        // The whole so far as a value: jet_bool(...), see m_boolean.
        void wrapBoolean()
        {
            m_heads.push_back(QStringLiteral("jet_bool("));
            m_tails.push_back(QStringLiteral(")"));
        }
        bool single() const { return m_heads.isEmpty(); }
        const QString& first() const { return m_first; }
        QString text() const
        {
            if (m_heads.isEmpty()) return m_first;
            QString out;
            for (auto it = m_heads.crbegin(); it != m_heads.crend(); ++it) out += *it;
            out += m_first;
            for (const QString& t : m_tails) out += t;
            return out;
        }

    private:
        QString m_first;
        QStringList m_heads, m_tails;
    };

    // IMP, EQV and XOR take truth values either way and give Jet's Booleans themselves.
    QString impExpr() { return arithmetic(&Parser::eqvExpr, {{"IMP", "jet_imp"}}); }
    QString eqvExpr() { return arithmetic(&Parser::xorExpr, {{"EQV", "jet_eqv"}}); }
    QString xorExpr() { return arithmetic(&Parser::orExpr, {{"XOR", "jet_xor"}}); }
    QString orExpr() { return logical(&Parser::andExpr, "OR"); }
    QString andExpr() { return logical(&Parser::notExpr, "AND"); }
    // next (word next)* with SQLite's own AND / OR: truth values in, a truth value out.
    QString logical(QString (Parser::*next)(), const char* word)
    {
        Chain c((this->*next)());
        bool applied = false;
        while (acceptWord(word)) {
            c.infix(u' ' + QLatin1String(word) + u' ' + (this->*next)());
            applied = true;
        }
        if (applied) m_boolean = true;
        return c.text();
    }
    QString notExpr()
    {
        Nest guard(*this);
        if (acceptWord("NOT")) {
            const QString inner = notExpr();
            m_boolean = true;
            return QStringLiteral("(NOT ") + inner + u')';
        }
        return comparison();
    }

    // A text literal compared with a bare column takes the column's collation (JET) anyway;
    // written plainly (and a date literal as its day number), SQLite can hand its value to the
    // virtual table's planner, which then knows it is a single lookup.
    static QString plainLiteralAgainstColumn(const QString& column, const QString& literal)
    {
        static const QRegularExpression columnRe(QStringLiteral("^\"(?:[^\"]|\"\")*\"(?:\\.\"(?:[^\"]|\"\")*\")?$"));
        static const QRegularExpression literalRe(QStringLiteral("^'(?:[^']|'')*' COLLATE JET$"));
        static const QRegularExpression dateRe(QStringLiteral("^jet_date\\(([-+0-9.eE]+)\\)$"));
        if (!columnRe.match(column).hasMatch()) return literal;
        if (literalRe.match(literal).hasMatch()) return literal.left(literal.size() - int(qstrlen(" COLLATE JET")));
        // A date literal against a column: the plain day number compares the same.
        if (const auto m = dateRe.match(literal); m.hasMatch()) return m.captured(1);
        return literal;
    }

    QString comparison()
    {
        const QString first = concatExpr();
        const bool firstBoolean = m_boolean;
        Chain c(first);
        bool applied = false;
        // Every operator makes a truth value; a truth value compared is a value (-1 or 0):
        // (2 > 1) = True holds.
        auto apply = [&] {
            if (applied || firstBoolean) c.wrapBoolean();
            applied = true;
        };
        auto operand = [&] { return asValue(concatExpr()); };
        // Only a bare column on the left lets a literal go plain (see above).
        auto plain = [&c](const QString& literal) {
            return c.single() ? plainLiteralAgainstColumn(c.first(), literal) : literal;
        };
        for (;;) {
            const Token& t = peek();
            static const char* const ops[] = {"=", "<>", "<", ">", "<=", ">=", "!="};
            bool matched = false;
            for (const char* op : ops) {
                if (t.isSymbol(op)) {
                    take();
                    const QString sqlOp = QLatin1String(op) == QLatin1String("!=") ? QStringLiteral("<>") : QString::fromLatin1(op);
                    apply();
                    const QString right = plain(operand());
                    c.infix(u' ' + sqlOp + u' ' + right);
                    matched = true;
                    break;
                }
            }
            if (matched) continue;
            if (t.isWord("IS")) {
                take();
                const bool neg = acceptWord("NOT");
                expectWord("NULL");
                apply();
                c.infix(neg ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
                continue;
            }
            bool neg = false;
            if (t.isWord("NOT") && (peek(1).isWord("LIKE") || peek(1).isWord("BETWEEN") || peek(1).isWord("IN"))) {
                take();
                neg = true;
            }
            const QString notText = neg ? QStringLiteral(" NOT") : QString();
            if (acceptWord("LIKE") || acceptWord("ALIKE")) {
                apply();
                c.infix(notText + QStringLiteral(" LIKE ") + operand());
                continue;
            }
            if (acceptWord("BETWEEN")) {
                apply();
                const QString lo = plain(operand());
                expectWord("AND");
                const QString hi = plain(operand());
                c.infix(notText + QStringLiteral(" BETWEEN ") + lo + QStringLiteral(" AND ") + hi);
                continue;
            }
            if (acceptWord("IN")) {
                apply();
                expectSymbol("(");
                QString list;
                if (peek().isWord("SELECT")) {
                    list = query();
                } else {
                    QStringList items;
                    do {
                        items << valueExpr();
                    } while (acceptSymbol(","));
                    list = items.join(QStringLiteral(", "));
                }
                expectSymbol(")");
                c.infix(notText + QStringLiteral(" IN (") + list + u')');
                continue;
            }
            if (neg) syntaxError(QStringLiteral("expected LIKE, BETWEEN or IN after NOT"));
            m_boolean = applied || firstBoolean;
            return c.text();
        }
    }

    // & joins in any grouping alike ((a & b) & c is a & (b & c), Null included), so a long
    // chain nests as a balanced tree: SQLite's parser takes only some 30 nested calls, and
    // 40 fields joined with & are no rare thing.
    QString concatExpr()
    {
        QStringList parts{addExpr()};
        const bool firstBoolean = m_boolean;
        while (acceptSymbol("&")) {
            if (parts.size() == 1 && firstBoolean) parts[0] = wrapBoolean(parts[0]);
            parts << asValue(addExpr());
        }
        m_boolean = parts.size() == 1 && firstBoolean;
        return parts.size() == 1 ? parts[0] : balancedConcat(parts, 0, parts.size());
    }
    static QString balancedConcat(const QStringList& parts, qsizetype from, qsizetype to)
    {
        if (to - from == 1) return parts[from];
        const qsizetype mid = from + (to - from) / 2;
        return QStringLiteral("jet_concat(") + balancedConcat(parts, from, mid) + QStringLiteral(", ")
               + balancedConcat(parts, mid, to) + u')';
    }
    QString addExpr() { return arithmetic(&Parser::modExpr, {{"+", "jet_add"}, {"-", "jet_sub"}}); }
    // Mod binds less tightly than \ (10 Mod 4 \ 2 is 10 Mod 2), \ less than * and /.
    QString modExpr() { return arithmetic(&Parser::idivExpr, {{"MOD", "jet_mod"}}); }
    QString idivExpr() { return arithmetic(&Parser::mulExpr, {{"\\", "jet_idiv"}}); }
    QString mulExpr() { return arithmetic(&Parser::unaryExpr, {{"*", "jet_mul"}, {"/", "jet_div"}}); }
    QString unaryExpr()
    {
        Nest guard(*this);
        if (acceptSymbol("-")) {
            const QString operand = asValue(unaryExpr());
            return QStringLiteral("(- ") + operand + u')';
        }
        if (acceptSymbol("+")) return unaryExpr();
        return powExpr();
    }
    QString powExpr()
    {
        const QString first = primary();
        const bool firstBoolean = m_boolean;
        Chain c(first);
        bool applied = false;
        while (acceptSymbol("^")) {
            if (!applied && firstBoolean) c.wrapBoolean();
            applied = true;
            c.call(QLatin1String("jet_pow"), asValue(powOperand()));
        }
        m_boolean = applied ? false : firstBoolean;
        return c.text();
    }
    QString powOperand()
    {
        Nest guard(*this);
        if (acceptSymbol("-")) {
            const QString operand = asValue(powOperand());
            return QStringLiteral("(- ") + operand + u')';
        }
        if (acceptSymbol("+")) return powOperand();
        return primary();
    }

    QString primary()
    {
        const Token t = peek();
        // Only a parenthesised condition or EXISTS is a truth value here.
        m_boolean = false;
        switch (t.kind) {
        case Token::Kind::Number: {
            take();
            // SQLite would read 1e999 as infinity; Jet refuses a number it cannot hold.
            bool ok = false;
            const double d = t.text.toDouble(&ok);
            if (!ok || !std::isfinite(d)) fail(QStringLiteral("Overflow: the number ") + t.text + QStringLiteral(" is too large."));
            return t.text;
        }
        case Token::Kind::String:
            take();
            return quoteString(t.text) + QStringLiteral(" COLLATE JET");
        case Token::Kind::Date: {
            take();
            const auto ole = parseDateText(t.text);
            if (!ole) fail(QStringLiteral("Syntax error in date in query expression '#%1#'.").arg(t.text));
            return QStringLiteral("jet_date(%1)").arg(QString::number(*ole, 'g', 17));
        }
        case Token::Kind::Bracketed:
            take();
            return qualifiedName(quoteIdentifier(t.text));
        case Token::Kind::Symbol:
            if (t.isSymbol("(")) {
                take();
                if (peek().isWord("SELECT")) {
                    const QString sub = query();
                    expectSymbol(")");
                    m_boolean = false;
                    return u'(' + sub + u')';
                }
                const QString inner = expr();
                expectSymbol(")");
                return u'(' + inner + u')';
            }
            syntaxError(QStringLiteral("expected an expression"));
        case Token::Kind::End:
            syntaxError(QStringLiteral("expected an expression"));
        case Token::Kind::Word:
            break;
        }
        take();
        if (t.isWord("TRUE") || t.isWord("YES") || t.isWord("ON")) return QStringLiteral("-1");
        if (t.isWord("FALSE") || t.isWord("NO") || t.isWord("OFF")) return QStringLiteral("0");
        if (t.isWord("NULL")) return QStringLiteral("NULL");
        if (t.isWord("EXISTS")) {
            expectSymbol("(");
            const QString sub = query();
            expectSymbol(")");
            m_boolean = true;
            return QStringLiteral("EXISTS (") + sub + u')';
        }
        if (peek().isSymbol("(")) {
            const QString call = functionCall(t);
            m_boolean = false;
            return call;
        }
        if (isReserved(t)) {
            --m_i;
            syntaxError(QStringLiteral("expected an expression"));
        }
        // Date, Now and Time may be written without parentheses.
        if (!peek().isSymbol(".") && !peek().isSymbol("!")) {
            if (t.isWord("NOW")) return QStringLiteral("jet_now()");
        }
        return qualifiedName(quoteIdentifier(t.text));
    }

    QString qualifiedName(QString first)
    {
        QString out = std::move(first);
        while ((peek().isSymbol(".") || peek().isSymbol("!"))
               && (peek(1).kind == Token::Kind::Word || peek(1).kind == Token::Kind::Bracketed)) {
            take();
            out += u'.' + quoteIdentifier(take().text);
        }
        return out;
    }

    QString functionCall(const Token& name)
    {
        const std::size_t nameIndex = m_i - 1;
        const JetFunction* f = findJetFunction(name.text);
        if (!f) fail(QStringLiteral("Undefined function '%1' in expression.").arg(name.text));
        expectSymbol("(");
        QStringList args;
        if (!peek().isSymbol(")")) {
            do {
                if (f->aggregate && QLatin1String(f->sqlName) == QLatin1String("count") && peek().isSymbol("*")) {
                    take();
                    args << QStringLiteral("*");
                } else if (args.isEmpty() && QLatin1String(f->jetName) == QLatin1String("IIf")) {
                    args << expr();   // a condition (CASE WHEN)
                    m_boolean = false;
                } else {
                    args << valueExpr();
                }
            } while (acceptSymbol(","));
        }
        expectSymbol(")");
        if (int(args.size()) < f->minArgs || int(args.size()) > f->maxArgs
            || (QLatin1String(f->sqlName) == QLatin1String("count") && args.isEmpty()))
            fail(QStringLiteral("Wrong number of arguments used with function '%1' in query expression.")
                     .arg(name.text));
        m_lastCall.start = nameIndex;
        m_lastCall.end = m_i;
        m_lastCall.sqlName = QLatin1String(f->sqlName);
        m_lastCall.arg = args.size() == 1 ? args[0] : QString();
        if (m_lastCall.arg == QLatin1String("*")) m_lastCall.sqlName.clear();
        if (QLatin1String(f->jetName) == QLatin1String("IIf"))
            return QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(args[0], args[1], args[2]);
        return QStringLiteral("%1(%2)").arg(QLatin1String(f->sqlName), args.join(QStringLiteral(", ")));
    }
};

} // namespace

QString translateJetSql(const QString& jetSql, const TranslateOptions& options)
{
    Parser p(tokenize(jetSql), options);
    return p.statement();
}

Translation translateWithProbe(const QString& jetSql, const TranslateOptions& options)
{
    Parser p(tokenize(jetSql), options);
    Translation t;
    t.sql = p.statement();
    if (!p.probeSql.isEmpty()) {
        t.probe = p.probeSql;
        t.probed = p.probed;
    }
    t.topCount = p.topCount;
    t.tieColumns = p.tieColumns;
    return t;
}

} // namespace sql
