// Lists the translated literals of the sources with their contexts.
//
//   trscan --list <source dir>
//       one line per literal: file:line, context, text (escaped as in C++)
//   trscan --noop-source <source dir> <output file>
//       writes the literals of the one-argument helpers (trMain, trAbout, BmpEditor's text),
//       which lupdate does not recognise, as QT_TRANSLATE_NOOP lines that it does read

#include "resources/translations/trscanner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

// Folders that hold no program texts: tests, benchmarks, tools and the generated artwork.
const QStringList skippedFolders{QStringLiteral("tests"), QStringLiteral("bench"),
                                 QStringLiteral("tools")};

QByteArray cppLiteral(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            // Octal escapes end after three digits, whatever follows.
            out += '\\';
            out += char('0' + ((byte >> 6) & 7));
            out += char('0' + ((byte >> 3) & 7));
            out += char('0' + (byte & 7));
        } else {
            out += c;
        }
    }
    return out + '"';
}

int usage()
{
    std::fputs("usage: trscan --list <source dir>\n"
               "       trscan --noop-source <source dir> <output file>\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || !QFileInfo(args.at(2)).isDir())
        return usage();

    TrScanner scanner;
    scanner.scanTree(args.at(2), skippedFolders);

    if (args.at(1) == QLatin1String("--list") && args.size() == 3) {
        QTextStream out(stdout);
        out.setCodec("UTF-8");
        for (const TrScanner::Literal &literal : scanner.literals()) {
            out << literal.file << ':' << literal.line << '\t' << literal.context << '\t'
                << QString::fromUtf8(cppLiteral(literal.text)) << '\n';
        }
        for (const TrScanner::Call &call : scanner.nonLiteralCalls())
            out << call.file << ':' << call.line << "\t(not a literal)\t" << call.function << '\n';
        return 0;
    }

    if (args.at(1) == QLatin1String("--noop-source") && args.size() == 4) {
        const QString outputPath = args.at(3);
        QDir().mkpath(QFileInfo(outputPath).absolutePath());
        QFile output(outputPath);
        if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "trscan: cannot write %s\n", qPrintable(outputPath));
            return 1;
        }
        output.write("// Written by trscan for lupdate; never compiled.\n");
        for (const TrScanner::Literal &literal : scanner.literals()) {
            if (literal.kind != TrScanner::Kind::Helper)
                continue;
            output.write("QT_TRANSLATE_NOOP(" + cppLiteral(literal.context) + ", "
                         + cppLiteral(literal.text) + ");\n");
        }
        return 0;
    }
    return usage();
}
