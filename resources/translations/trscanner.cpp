#include "resources/translations/trscanner.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QXmlStreamReader>

namespace {

struct Token
{
    enum Type { Identifier, String, Punct, Other };
    Type type = Other;
    QByteArray text; // the name, the punctuator, or the decoded bytes of a string literal
    int line = 0;
};

struct ScannedFile
{
    QString name;
    QVector<Token> tokens;
};

bool isIdentStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isIdentChar(char c)
{
    return isIdentStart(c) || (c >= '0' && c <= '9');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf8(QByteArray &out, uint codePoint)
{
    if (codePoint > 0x10FFFF)
        codePoint = 0xFFFD;
    out += QString::fromUcs4(&codePoint, 1).toUtf8();
}

class Tokenizer
{
public:
    Tokenizer(const QByteArray &source, QVector<Token> &tokens)
        : src(source)
        , out(tokens)
    { }

    void run()
    {
        while (pos < src.size()) {
            const char c = src[pos];
            if (c == '\n') {
                ++line;
                ++pos;
                lineStart = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos;
            } else if (c == '/' && peek(1) == '/') {
                while (pos < src.size() && src[pos] != '\n')
                    ++pos;
            } else if (c == '/' && peek(1) == '*') {
                skipBlockComment();
            } else if (c == '#' && lineStart) {
                skipDirective();
            } else {
                lineStart = false;
                readToken(c);
            }
        }
    }

private:
    char peek(int ahead) const
    {
        const int at = pos + ahead;
        return at < src.size() ? src[at] : '\0';
    }

    void skipBlockComment()
    {
        pos += 2;
        while (pos < src.size() && !(src[pos] == '*' && peek(1) == '/')) {
            if (src[pos] == '\n')
                ++line;
            ++pos;
        }
        pos = qMin(pos + 2, int(src.size()));
    }

    // A preprocessor line with its continuation lines. A block comment that starts on it is
    // skipped whole, so a comment running over several lines does not end it early.
    void skipDirective()
    {
        while (pos < src.size() && src[pos] != '\n') {
            if (src[pos] == '\\' && (peek(1) == '\n' || (peek(1) == '\r' && peek(2) == '\n'))) {
                pos += peek(1) == '\n' ? 2 : 3;
                ++line;
                continue;
            }
            if (src[pos] == '/' && peek(1) == '*') {
                skipBlockComment();
                continue;
            }
            ++pos;
        }
    }

    void readToken(char c)
    {
        if (isIdentStart(c)) {
            const int start = pos;
            while (pos < src.size() && isIdentChar(src[pos]))
                ++pos;
            const QByteArray word = src.mid(start, pos - start);
            if (pos < src.size() && src[pos] == '"' && isStringPrefix(word)) {
                readString(word.endsWith('R'));
                return;
            }
            if (pos < src.size() && src[pos] == '\''
                && (word == "u8" || word == "u" || word == "U" || word == "L")) {
                skipCharLiteral();
                return;
            }
            push(Token::Identifier, word, line);
            return;
        }
        if (isDigit(c) || (c == '.' && isDigit(peek(1)))) {
            readNumber();
            return;
        }
        if (c == '"') {
            readString(false);
            return;
        }
        if (c == '\'') {
            skipCharLiteral();
            return;
        }
        if ((c == ':' && peek(1) == ':') || (c == '-' && peek(1) == '>')) {
            push(Token::Punct, src.mid(pos, 2), line);
            pos += 2;
            return;
        }
        push(Token::Punct, QByteArray(1, c), line);
        ++pos;
    }

    static bool isStringPrefix(const QByteArray &word)
    {
        static const QSet<QByteArray> prefixes{"R", "u8", "u", "U", "L", "u8R", "uR", "UR", "LR"};
        return prefixes.contains(word);
    }

    void readNumber()
    {
        // Digits, letters (hex digits, suffixes), digit separators, the decimal point and the
        // sign of an exponent.
        while (pos < src.size()) {
            const char c = src[pos];
            const char before = pos > 0 ? src[pos - 1] : '\0';
            const bool exponentSign
                    = (c == '+' || c == '-')
                      && (before == 'e' || before == 'E' || before == 'p' || before == 'P');
            if (!(isIdentChar(c) || c == '.' || c == '\'' || exponentSign))
                break;
            ++pos;
        }
        push(Token::Other, QByteArray(), line);
    }

    void skipCharLiteral()
    {
        ++pos; // the opening quote
        while (pos < src.size() && src[pos] != '\'' && src[pos] != '\n') {
            if (src[pos] == '\\')
                ++pos;
            ++pos;
        }
        if (pos < src.size() && src[pos] == '\'')
            ++pos;
        push(Token::Other, QByteArray(), line);
    }

    void readString(bool raw)
    {
        const int startLine = line;
        QByteArray text;
        ++pos; // the opening quote
        if (raw) {
            const int open = src.indexOf('(', pos);
            if (open < 0) {
                pos = src.size();
                return;
            }
            const QByteArray terminator = ')' + src.mid(pos, open - pos) + '"';
            const int close = src.indexOf(terminator, open + 1);
            const int end = close < 0 ? src.size() : close;
            text = src.mid(open + 1, end - open - 1);
            line += text.count('\n');
            pos = close < 0 ? src.size() : close + terminator.size();
        } else {
            while (pos < src.size() && src[pos] != '"' && src[pos] != '\n') {
                if (src[pos] == '\\')
                    readEscape(text);
                else
                    text += src[pos++];
            }
            if (pos < src.size() && src[pos] == '"')
                ++pos;
        }
        // Adjacent literals are one literal; comments and line breaks between them leave no
        // token behind.
        if (!out.isEmpty() && out.last().type == Token::String)
            out.last().text += text;
        else
            push(Token::String, text, startLine);
    }

    void readEscape(QByteArray &text)
    {
        ++pos; // the backslash
        if (pos >= src.size())
            return;
        const char c = src[pos++];
        switch (c) {
        case 'n':
            text += '\n';
            return;
        case 't':
            text += '\t';
            return;
        case 'r':
            text += '\r';
            return;
        case 'a':
            text += '\a';
            return;
        case 'b':
            text += '\b';
            return;
        case 'f':
            text += '\f';
            return;
        case 'v':
            text += '\v';
            return;
        case '\n': // a continued line
            ++line;
            return;
        case 'x': {
            uint value = 0;
            while (pos < src.size() && hexValue(src[pos]) >= 0)
                value = (value << 4) | uint(hexValue(src[pos++]));
            text += char(value & 0xFF);
            return;
        }
        case 'u':
        case 'U': {
            const int digits = c == 'u' ? 4 : 8;
            uint value = 0;
            int n = 0;
            for (; n < digits && pos < src.size() && hexValue(src[pos]) >= 0; ++n)
                value = (value << 4) | uint(hexValue(src[pos++]));
            appendUtf8(text, value);
            return;
        }
        default:
            break;
        }
        if (c >= '0' && c <= '7') {
            uint value = uint(c - '0');
            for (int n = 1; n < 3 && pos < src.size() && src[pos] >= '0' && src[pos] <= '7'; ++n)
                value = (value << 3) | uint(src[pos++] - '0');
            text += char(value & 0xFF);
            return;
        }
        text += c; // \\ \" \' \? and anything unknown
    }

    void push(Token::Type type, const QByteArray &text, int atLine)
    {
        Token token;
        token.type = type;
        token.text = text;
        token.line = atLine;
        out.append(token);
    }

    const QByteArray &src;
    QVector<Token> &out;
    int pos = 0;
    int line = 1;
    bool lineStart = true;
};

ScannedFile tokenize(const QByteArray &source, const QString &name)
{
    ScannedFile file;
    file.name = name;
    Tokenizer(source, file.tokens).run();
    return file;
}

struct Scope
{
    enum Kind { File, Namespace, Class, Function };
    Kind kind = File;
    QString className; // the class whose members are written here; empty outside classes
    // A braced initialiser such as items{} in a constructor's initialiser list: the tokens
    // before it still belong to the declaration that goes on after it.
    bool initialiser = false;
};

bool isPunct(const QVector<Token> &t, int i, const char *p)
{
    return i >= 0 && i < t.size() && t[i].type == Token::Punct && t[i].text == p;
}

bool isIdent(const QVector<Token> &t, int i, const char *name = nullptr)
{
    return i >= 0 && i < t.size() && t[i].type == Token::Identifier
           && (name == nullptr || t[i].text == name);
}

// What the '{' at index open starts, judged from the tokens since the last ';', '{' or '}'.
Scope openScope(const QVector<Token> &t, int head, int open, const Scope &parent)
{
    int from = head;
    if (isIdent(t, from, "template") && isPunct(t, from + 1, "<")) {
        int depth = 0;
        for (++from; from < open; ++from) {
            if (isPunct(t, from, "<"))
                ++depth;
            else if (isPunct(t, from, ">") && --depth == 0) {
                ++from;
                break;
            }
        }
    }

    bool parenOrAssignment = false;
    for (int j = from; j < open; ++j)
        parenOrAssignment = parenOrAssignment || isPunct(t, j, "(") || isPunct(t, j, "=");
    for (int j = from; j < open && !parenOrAssignment; ++j) {
        const bool classKey
                = isIdent(t, j, "class") || isIdent(t, j, "struct") || isIdent(t, j, "union");
        if (!classKey || isIdent(t, j - 1, "enum"))
            continue;
        QString name;
        for (int k = j + 1; k < open && !isPunct(t, k, ":"); ++k) {
            if (isIdent(t, k) && t[k].text != "final")
                name = QString::fromLatin1(t[k].text);
        }
        return {Scope::Class, name};
    }
    for (int j = from; j < open; ++j) {
        if (isIdent(t, j, "namespace"))
            return {Scope::Namespace, QString()};
    }

    if (parent.kind == Scope::File || parent.kind == Scope::Namespace) {
        // A definition at namespace level: Class::member( or Class::~Class( names the class.
        // The last one counts, in case an earlier declaration ran into this one.
        QString className;
        int depth = 0;
        for (int j = from; j < open; ++j) {
            if (isPunct(t, j, "("))
                ++depth;
            else if (isPunct(t, j, ")"))
                --depth;
            if (depth != 0 || !isIdent(t, j) || !isPunct(t, j + 1, "::"))
                continue;
            const bool member = isIdent(t, j + 2) && isPunct(t, j + 3, "(");
            const bool destructor
                    = isPunct(t, j + 2, "~") && isIdent(t, j + 3) && isPunct(t, j + 4, "(");
            if (member || destructor)
                className = QString::fromLatin1(t[j].text);
        }
        return {Scope::Function, className};
    }
    return {Scope::Function, parent.className};
}

// Whether the '{' at index open starts a braced initialiser rather than a body: it follows a
// name (items{...}), an '=', a ',' or a '('. Bodies follow ')' or one of the words below.
bool opensInitialiser(const QVector<Token> &t, int open)
{
    static const QSet<QByteArray> bodyWords{"const",    "override", "final", "noexcept", "mutable",
                                            "volatile", "try",      "else",  "do"};
    if (isIdent(t, open - 1))
        return !bodyWords.contains(t[open - 1].text);
    return isPunct(t, open - 1, "=") || isPunct(t, open - 1, ",") || isPunct(t, open - 1, "(");
}

// Walks the scopes of a file and calls visit(index, scope) for every identifier.
template<typename Visit>
void walkScopes(const QVector<Token> &t, Visit visit)
{
    QVector<Scope> stack{Scope{}};
    int head = 0;
    for (int i = 0; i < t.size(); ++i) {
        if (isPunct(t, i, "{")) {
            Scope scope = openScope(t, head, i, stack.last());
            scope.initialiser = scope.kind == Scope::Function && opensInitialiser(t, i);
            stack.append(scope);
            if (!scope.initialiser)
                head = i + 1;
        } else if (isPunct(t, i, "}")) {
            const bool initialiser = stack.size() > 1 && stack.last().initialiser;
            if (stack.size() > 1)
                stack.removeLast();
            if (!initialiser)
                head = i + 1;
        } else if (isPunct(t, i, ";")) {
            head = i + 1;
        } else if (t[i].type == Token::Identifier) {
            visit(i, stack.last());
        }
    }
}

bool isStatementKeyword(const QByteArray &word)
{
    static const QSet<QByteArray> keywords{"return", "throw",     "case",     "else",
                                           "do",     "co_return", "co_yield", "co_await"};
    return keywords.contains(word);
}

// The literal that stands alone as the argument starting at index i, if there is one.
bool literalArgument(const QVector<Token> &t, int i, QString *text)
{
    if (i >= t.size() || t[i].type != Token::String)
        return false;
    if (!isPunct(t, i + 1, ",") && !isPunct(t, i + 1, ")"))
        return false;
    *text = QString::fromUtf8(t[i].text);
    return true;
}

void collectDeclarations(const QVector<Token> &t, QHash<QString, QString> &declared)
{
    walkScopes(t, [&](int i, const Scope &scope) {
        if (scope.kind == Scope::Class && t[i].text == "Q_DECLARE_TR_FUNCTIONS"
            && isPunct(t, i + 1, "(") && isIdent(t, i + 2) && isPunct(t, i + 3, ")")) {
            declared.insert(scope.className, QString::fromLatin1(t[i + 2].text));
        }
    });
}

struct Rules
{
    const QHash<QString, QString> &fixedContextHelpers;
    const QHash<QString, QString> &memberHelpers;
    const QHash<QString, QString> &declaredTrContexts;

    QString trContextOf(const QString &className) const
    {
        return declaredTrContexts.value(className, className);
    }
};

void extract(const ScannedFile &file, const Rules &rules, QVector<TrScanner::Literal> &found,
             QVector<TrScanner::Call> &unchecked)
{
    static const QSet<QString> applicationClasses{QStringLiteral("QCoreApplication"),
                                                  QStringLiteral("QGuiApplication"),
                                                  QStringLiteral("QApplication")};
    static const QSet<QString> contextNoops{
            QStringLiteral("QT_TRANSLATE_NOOP"), QStringLiteral("QT_TRANSLATE_NOOP3"),
            QStringLiteral("QT_TRANSLATE_NOOP_UTF8"), QStringLiteral("QT_TRANSLATE_NOOP3_UTF8")};

    const QVector<Token> &t = file.tokens;
    walkScopes(t, [&](int i, const Scope &scope) {
        if (!isPunct(t, i + 1, "("))
            return;
        const QString name = QString::fromLatin1(t[i].text);
        const bool qualified = isPunct(t, i - 1, "::") && isIdent(t, i - 2);
        const QString qualifier = qualified ? QString::fromLatin1(t[i - 2].text) : QString();
        const bool memberAccess = isPunct(t, i - 1, ".") || isPunct(t, i - 1, "->");
        // "QString tr(const char *)" and "QString MainWindow::trMain(...)" declare a function.
        const int before = qualified ? i - 3 : i - 1;
        if (isIdent(t, before) && !isStatementKeyword(t[before].text))
            return;

        auto take = [&](const QString &context, TrScanner::Kind kind, int argument) {
            TrScanner::Literal literal;
            if (literalArgument(t, argument, &literal.text)) {
                literal.context = context;
                literal.kind = kind;
                literal.file = file.name;
                literal.line = t[i].line;
                found.append(literal);
            } else {
                unchecked.append({name, file.name, t[i].line});
            }
        };

        const auto helper = rules.fixedContextHelpers.constFind(name);
        if (helper != rules.fixedContextHelpers.constEnd()) {
            take(*helper, TrScanner::Kind::Helper, i + 2);
            return;
        }
        if (name == QLatin1String("tr") || name == QLatin1String("trUtf8")) {
            // Called on some object: its class cannot be told from here.
            if (!memberAccess)
                take(rules.trContextOf(qualified ? qualifier : scope.className),
                     TrScanner::Kind::Tr, i + 2);
            return;
        }
        if (name == QLatin1String("QT_TR_NOOP") || name == QLatin1String("QT_TR_NOOP_UTF8")) {
            take(rules.trContextOf(scope.className), TrScanner::Kind::Tr, i + 2);
            return;
        }
        const bool appTranslate = name == QLatin1String("translate")
                                  && ((qualified && applicationClasses.contains(qualifier))
                                      || (isPunct(t, i - 1, "->") && isIdent(t, i - 2, "qApp")));
        if (appTranslate || contextNoops.contains(name)) {
            QString context;
            if (literalArgument(t, i + 2, &context) && isPunct(t, i + 3, ","))
                take(context, TrScanner::Kind::Translate, i + 4);
            else
                unchecked.append({name, file.name, t[i].line});
            return;
        }
        if (!memberAccess) {
            const QString className = qualified ? qualifier : scope.className;
            const auto member
                    = rules.memberHelpers.constFind(className + QLatin1String("::") + name);
            if (member != rules.memberHelpers.constEnd())
                take(*member, TrScanner::Kind::Helper, i + 2);
        }
    });
}

} // namespace

TrScanner::TrScanner()
{
    fixedContextHelpers.insert(QStringLiteral("trMain"), QStringLiteral("main"));
    fixedContextHelpers.insert(QStringLiteral("trAbout"), QStringLiteral("about"));
    memberHelpers.insert(QStringLiteral("BmpEditor::text"), QStringLiteral("editor"));
}

void TrScanner::scanCpp(const QByteArray &source, const QString &fileName)
{
    const ScannedFile file = tokenize(source, fileName);
    collectDeclarations(file.tokens, declaredTrContexts);
    extract(file, Rules{fixedContextHelpers, memberHelpers, declaredTrContexts}, found, unchecked);
}

void TrScanner::scanForm(const QByteArray &form, const QString &fileName)
{
    QXmlStreamReader xml(form);
    QStringList elements; // open elements, outermost first
    QStringList properties; // names of the open <property> and <attribute> elements
    QString formClass;
    QVector<Literal> captions;
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isEndElement()) {
            const QString ended = elements.isEmpty() ? QString() : elements.takeLast();
            if (!properties.isEmpty()
                && (ended == QLatin1String("property") || ended == QLatin1String("attribute")))
                properties.removeLast();
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QString name = xml.name().toString();
        if (name == QLatin1String("class") && elements == QStringList{QStringLiteral("ui")}) {
            formClass = xml.readElementText();
            continue;
        }
        if (name == QLatin1String("string")) {
            const bool notr
                    = xml.attributes().value(QLatin1String("notr")) == QLatin1String("true");
            const int line = int(xml.lineNumber());
            const QString text = xml.readElementText();
            const bool styleSheet
                    = !properties.isEmpty() && properties.last() == QLatin1String("styleSheet");
            if (!notr && !styleSheet && !text.isEmpty()) {
                Literal caption;
                caption.text = text;
                caption.kind = Kind::Form;
                caption.file = fileName;
                caption.line = line;
                captions.append(caption);
            }
            continue;
        }
        if (name == QLatin1String("property") || name == QLatin1String("attribute"))
            properties.append(xml.attributes().value(QLatin1String("name")).toString());
        elements.append(name);
    }
    for (Literal &caption : captions) {
        caption.context = formClass;
        found.append(caption);
    }
}

void TrScanner::scanTree(const QString &root, const QStringList &skippedFolders)
{
    const QDir rootDir(root);
    QStringList files;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = rootDir.relativeFilePath(it.next());
        const QStringList parts = relative.split(QLatin1Char('/'));
        bool skipped = false;
        for (int k = 0; k + 1 < parts.size(); ++k) {
            skipped = skipped || parts[k].startsWith(QLatin1Char('.'))
                      || parts[k].startsWith(QLatin1String("build"))
                      || (k == 0 && skippedFolders.contains(parts[k]));
        }
        if (!skipped)
            files.append(relative);
    }
    files.sort();

    QVector<ScannedFile> sources;
    QVector<QPair<QString, QByteArray>> forms;
    for (const QString &relative : qAsConst(files)) {
        QFile file(rootDir.filePath(relative));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray content = file.readAll();
        if (relative.endsWith(QLatin1String(".ui")))
            forms.append({relative, content});
        else
            sources.append(tokenize(content, relative));
    }
    for (const ScannedFile &source : qAsConst(sources))
        collectDeclarations(source.tokens, declaredTrContexts);
    const Rules rules{fixedContextHelpers, memberHelpers, declaredTrContexts};
    for (const ScannedFile &source : qAsConst(sources))
        extract(source, rules, found, unchecked);
    for (const auto &form : qAsConst(forms))
        scanForm(form.second, form.first);
}
