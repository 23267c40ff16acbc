// Finding the translated literals of the sources, and checking that each one has an English
// entry in the context it is looked up in.

#include "i18n/tsfile.h"
#include "resources/translations/trscanner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList found(const TrScanner &scanner)
{
    QStringList result;
    for (const TrScanner::Literal &literal : scanner.literals())
        result << literal.context + QLatin1Char('|') + literal.text;
    return result;
}

QStringList scanned(const QByteArray &source)
{
    TrScanner scanner;
    scanner.scanCpp(source, QStringLiteral("test.cpp"));
    return found(scanner);
}

} // namespace

class SourceTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void contexts_data();
    void contexts();
    void literals_data();
    void literals();
    void hiddenAndForeignCalls();
    void declarationsAndNonLiterals();
    void declaredTrContextAcrossFiles();
    void formCaptions();
    void sourcesHaveEnglishEntries();
};

void SourceTextsTest::contexts_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("out-of-line member") << QByteArray(
            "void MainWindow::initTitleBar()\n{\n    b->setText(tr(\"系统(&S)\"));\n}\n")
                                        << QStringList{"MainWindow|系统(&S)"};
    QTest::newRow("constructor with initialisers")
            << QByteArray("MainWindow::MainWindow(QWidget *parent)\n"
                          "    : QMainWindow(parent), ui(new Ui::MainWindow), items{}\n"
                          "{ appendLog(tr(\" 准备就绪\")); }")
            << QStringList{"MainWindow| 准备就绪"};
    QTest::newRow("blocks and lambdas inherit")
            << QByteArray("void MainWindow::f() { if (a) { for (int i = 0; i < 2; ++i) {\n"
                          "  auto g = [this]() { return tr(\"a\"); }; } } x = tr(\"b\"); }\n"
                          "void MainWindow::g() { tr(\"c\"); }")
            << QStringList{"MainWindow|a", "MainWindow|b", "MainWindow|c"};
    QTest::newRow("destructor and namespace")
            << QByteArray("namespace { int helper() { return 1; } }\n"
                          "MainWindow::~MainWindow() { tr(\"d\"); }")
            << QStringList{"MainWindow|d"};
    QTest::newRow("inline member of a class body")
            << QByteArray("class About : public QDialog\n{\n    Q_OBJECT\npublic:\n"
                          "    void f() { setText(tr(\"x\")); }\n};\nvoid g() { tr(\"y\"); }")
            << QStringList{"About|x", "|y"};
    QTest::newRow("explicit class")
            << QByteArray("static void helper() { MainWindow::tr(\"z\"); QObject::tr(\"w\"); }")
            << QStringList{"MainWindow|z", "QObject|w"};
    QTest::newRow("template member")
            << QByteArray("template <class T, typename U>\nvoid MainWindow::h(T) { tr(\"t\"); }")
            << QStringList{"MainWindow|t"};
    QTest::newRow("enum class is no class")
            << QByteArray("enum class Mode { A, B };\nvoid MainWindow::k() { tr(\"k\"); }")
            << QStringList{"MainWindow|k"};
    QTest::newRow("fixed-context helpers") << QByteArray(
            "void Whatever::f() { a(trMain(\" 欢迎界面\")); b = About::trAbout(\"关闭(&Q)\");\n"
            "  w->trMain(\"写用户资源作业\"); }")
                                           << QStringList{"main| 欢迎界面", "about|关闭(&Q)",
                                                          "main|写用户资源作业"};
    QTest::newRow("written-out context") << QByteArray(
            "QString t() { return QCoreApplication::translate(\"group\", \"钛\"); }\n"
            "void b() { qApp->translate(\"box\", \"终止(&Q)\", nullptr);\n"
            "  QApplication::translate(\"MyFrame\", \"序列号\"); }\n"
            "static const char *const n[] = {QT_TRANSLATE_NOOP(\"main\", \"01.开机画面\")};")
                                         << QStringList{"group|钛", "box|终止(&Q)",
                                                        "MyFrame|序列号", "main|01.开机画面"};
    QTest::newRow("editor member helper") << QByteArray(
            "BmpEditor::BmpEditor(QWidget *parent) : QWidget(parent)\n"
            "{ title = new QLabel(text(\"图片编辑\"), this); s = title->text();\n"
            "  other.text(\"no\"); }\n"
            "void BmpEditor::showPixSlots(QSize s) { l->setText(BmpEditor::text(\" 像素\")); }\n"
            "void Other::f() { text(\"not editor\"); }")
                                          << QStringList{"editor|图片编辑", "editor| 像素"};
}

void SourceTextsTest::contexts()
{
    QFETCH(QByteArray, source);
    QFETCH(QStringList, expected);
    QCOMPARE(scanned(source), expected);
}

void SourceTextsTest::literals_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("text");

    QTest::newRow("escaped quotes")
            << QByteArray(R"(trMain("say \"hi\" \\ ok");)") << QStringLiteral("say \"hi\" \\ ok");
    QTest::newRow("adjacent across comment and lines") << QByteArray(
            "trMain(\"\\n korlex\" /* version */\n    \"\\n 1.0\" // end\n    \" x\");")
                                                       << QStringLiteral("\n korlex\n 1.0 x");
    QTest::newRow("raw literal") << QByteArray("trMain(R\"x(a\\n\"b\")x\");")
                                 << QStringLiteral("a\\n\"b\"");
    QTest::newRow("hex, octal and universal escapes")
            << QByteArray(R"(trMain("\xe9\x92\x9b \351\222\233 \u949B\t");)")
            << QStringLiteral("钛 钛 钛\t");
    QTest::newRow("prefixed literal")
            << QByteArray("trMain(u8\"镍200\");") << QStringLiteral("镍200");
    QTest::newRow("blanks kept") << QByteArray("trMain(\"  功率曲线    \");")
                                 << QStringLiteral("  功率曲线    ");
}

void SourceTextsTest::literals()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, text);
    QCOMPARE(scanned(source), QStringList{"main|" + text});
}

// Calls inside comments, strings, character literals and preprocessor lines are no calls, and
// none of them upsets the scopes after them; translate() and text() of other objects are not
// translations.
void SourceTextsTest::hiddenAndForeignCalls()
{
    const QByteArray source = "#include \"mainwindow.h\"\n"
                              "#define OPEN {\n"
                              "#define LONG_MACRO(x) \\\n    tr(\"macro\") {\n"
                              "// tr(\"comment\")\n"
                              "/* trMain(\"block\") { */\n"
                              "void MainWindow::f()\n{\n"
                              "    const char brace = '{';\n"
                              "    const QString s = \"tr(\\\"string\\\") {\";\n"
                              "    painter.translate(20, 30);\n"
                              "    other->tr(\"other object\");\n"
                              "    int n = 1'000;\n"
                              "    label->setText(tr(\"yes\"));\n"
                              "}\n"
                              "void MainWindow::g() { tr(\"after\"); }\n";
    QCOMPARE(scanned(source), (QStringList{"MainWindow|yes", "MainWindow|after"}));
}

void SourceTextsTest::declarationsAndNonLiterals()
{
    TrScanner scanner;
    scanner.scanCpp("class MainWindow {\n"
                    "    static QString trMain(const char *text);\n"
                    "    QString text(const char *t) const;\n"
                    "};\n"
                    "QString MainWindow::trMain(const char *text)\n"
                    "{ return QCoreApplication::translate(\"main\", text); }\n"
                    "void MainWindow::f() { l->setText(trMain(names[2])); return trMain(\"ok\"); }",
                    QStringLiteral("decl.cpp"));
    QCOMPARE(found(scanner), QStringList{"main|ok"});
    QCOMPARE(scanner.nonLiteralCalls().size(), 2);
    QCOMPARE(scanner.nonLiteralCalls().at(0).function, QStringLiteral("translate"));
    QCOMPARE(scanner.nonLiteralCalls().at(0).line, 6);
    QCOMPARE(scanner.nonLiteralCalls().at(1).function, QStringLiteral("trMain"));
    QCOMPARE(scanner.literals().at(0).file, QStringLiteral("decl.cpp"));
    QCOMPARE(scanner.literals().at(0).line, 7);
}

// A class can declare the context its tr() uses; a definition in another file follows it.
void SourceTextsTest::declaredTrContextAcrossFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto write = [&](const QString &name, const QByteArray &content) {
        QFile file(dir.filePath(name));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(QStringLiteral("a/texts.cpp"), "QString Texts::ready() { return tr(\" 准备就绪\"); }");
    write(QStringLiteral("b/texts.h"), "class Texts { Q_DECLARE_TR_FUNCTIONS(main) };");
    write(QStringLiteral("tests/t.cpp"), "void f() { trMain(\"skipped folder\"); }");
    write(QStringLiteral("build-x/g.cpp"), "void f() { trMain(\"build folder\"); }");

    TrScanner scanner;
    scanner.scanTree(dir.path(), {QStringLiteral("tests")});
    QCOMPARE(found(scanner), QStringList{"main| 准备就绪"});
    QCOMPARE(scanner.literals().at(0).file, QStringLiteral("a/texts.cpp"));
}

void SourceTextsTest::formCaptions()
{
    TrScanner scanner;
    scanner.scanForm(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>MainWindow</class>
 <widget class="QMainWindow" name="MainWindow">
  <property name="windowTitle"><string/></property>
  <widget class="QGroupBox" name="timeGroup">
   <property name="styleSheet"><string>border: 1px solid black;</string></property>
   <property name="title"><string>时间设置</string></property>
   <property name="toolTip"><string notr="true">fixed</string></property>
  </widget>
  <widget class="QTabWidget" name="tabWidget">
   <widget class="QWidget" name="tab">
    <attribute name="title"><string>tab</string></attribute>
   </widget>
  </widget>
  <widget class="QComboBox" name="tempUnitComboBox">
   <item><property name="text"><string>℉</string></property></item>
  </widget>
 </widget>
 <customwidgets><customwidget><class>MyFrame</class></customwidget></customwidgets>
</ui>
)",
                     QStringLiteral("app/forms/mainwindow.ui"));
    QCOMPARE(found(scanner),
             (QStringList{"MainWindow|时间设置", "MainWindow|tab", "MainWindow|℉"}));
    QCOMPARE(scanner.literals().at(0).kind, TrScanner::Kind::Form);
    QCOMPARE(scanner.literals().at(0).line, 8);
}

// The drift check: every literal the program translates has an English entry in the context
// it is looked up in. Sources that are still being written may hold no such texts yet.
void SourceTextsTest::sourcesHaveEnglishEntries()
{
    const TsFile english = readTsFile(QStringLiteral(KORLEX_TRANSLATIONS_DIR "/english.ts"));
    QVERIFY2(english.error.isEmpty(), qPrintable(english.error));
    QSet<QString> entries;
    for (const TsMessage &m : english.messages)
        entries.insert(m.context + QChar(0) + m.source);

    TrScanner scanner;
    scanner.scanTree(QStringLiteral(KORLEX_SOURCE_DIR),
                     {QStringLiteral("tests"), QStringLiteral("bench"), QStringLiteral("tools")});

    QStringList missing;
    for (const TrScanner::Literal &literal : scanner.literals()) {
        if (isDeliberatelyUntranslated(literal.context, literal.text))
            continue;
        if (!entries.contains(literal.context + QChar(0) + literal.text)) {
            QString text = literal.text;
            text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
            missing << QStringLiteral("%1:%2: [%3] \"%4\"")
                               .arg(literal.file)
                               .arg(literal.line)
                               .arg(literal.context.isEmpty() ? QStringLiteral("tr outside a class")
                                                              : literal.context,
                                    text);
        }
    }
    qInfo("%d translated literals in the sources, %d calls with a computed text",
          int(scanner.literals().size()), int(scanner.nonLiteralCalls().size()));
    for (const TrScanner::Call &call : scanner.nonLiteralCalls())
        qInfo("not checked: %s:%d %s()", qPrintable(call.file), call.line,
              qPrintable(call.function));
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("no entry in english.ts:\n") + missing.join('\n')));
}

QTEST_GUILESS_MAIN(SourceTextsTest)
#include "tst_sourcetexts.moc"
