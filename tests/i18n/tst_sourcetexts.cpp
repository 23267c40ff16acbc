// The translated texts of the sources as lupdate finds them (through the script that the lupdate
// target runs too), and the check that each one has an English entry in the context it is looked
// up in.

#include "i18n/tsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs the collection script over the source tree at root into a new .ts file in scratch.
TsFile collectSourceTexts(const QString &root, const QString &scratch)
{
    const QString output = scratch + QStringLiteral("/sources.ts");
    QProcess cmake;
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start(QStringLiteral(KORLEX_CMAKE_COMMAND),
                {QStringLiteral("-DLUPDATE=" KORLEX_LUPDATE),
                 QStringLiteral("-DSOURCE_DIR=") + root,
                 QStringLiteral("-DWORK_DIR=") + scratch + QStringLiteral("/work"),
                 QStringLiteral("-DTS_FILES=") + output, QStringLiteral("-P"),
                 QStringLiteral(KORLEX_SOURCETEXTS_SCRIPT)});
    TsFile ts;
    if (!cmake.waitForFinished(120000) || cmake.exitStatus() != QProcess::NormalExit
        || cmake.exitCode() != 0) {
        ts.error = QStringLiteral("collecting the texts failed:\n")
                   + QString::fromLocal8Bit(cmake.readAll());
        return ts;
    }
    return readTsFile(output);
}

QStringList keysOf(const TsFile &ts)
{
    QStringList keys;
    for (const TsMessage &m : ts.messages)
        keys << m.context + QLatin1Char('|') + m.source;
    keys.sort();
    return keys;
}

} // namespace

class SourceTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void contextsOfEveryTranslationCall();
    void sourcesHaveEnglishEntries();
};

// tr() takes its class, translate() and the markers their written context, forms their class;
// the helpers trMain, trWindow, trAbout and BmpEditor::text their fixed context wherever they are
// called.
// Texts keep blanks, line feeds and the characters that XML or CMake treat specially. The
// folders of tests and builds are not sources.
void SourceTextsTest::contextsOfEveryTranslationCall()
{
    QTemporaryDir tree;
    QTemporaryDir scratch;
    QVERIFY(tree.isValid() && scratch.isValid());
    const auto write = [&](const QString &name, const QByteArray &content) {
        QFile file(tree.filePath(name));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(QStringLiteral("app/mainwindow.h"),
          "#include <QMainWindow>\n"
          "class MainWindow : public QMainWindow\n{\n    Q_OBJECT\npublic:\n"
          "    static QString trMain(const char *text);\n    void f();\n};\n");
    write(QStringLiteral("app/mainwindow.cpp"),
          "#include \"app/mainwindow.h\"\n"
          "namespace {\n"
          "const char *const names[] = {QT_TRANSLATE_NOOP(\"main\", \"01.开机画面\")};\n"
          "QString title() { return MainWindow::trMain(\" 提示 \"); }\n"
          "}\n"
          "void MainWindow::f()\n{\n"
          "    setWindowTitle(tr(\"系统(&S)\"));\n"
          "    log(trMain(\"a; [b] <c> & \\\"d\\\"\\n e \"));\n"
          "    log(trMain(names[0]));\n"
          "    log(trWindow(\"当前设备:\"));\n"
          "    QCoreApplication::translate(\"box\", \"终止(&Q)\");\n"
          "}\n");
    write(QStringLiteral("shell/about.h"),
          "#include <QDialog>\n"
          "class About : public QDialog\n{\n    Q_OBJECT\npublic:\n"
          "    static QString trAbout(const char *text);\n"
          "    void f() { setWindowTitle(trAbout(\"关闭(&Q)\")); }\n};\n");
    write(QStringLiteral("pictures/bmpeditor.cpp"),
          "class BmpEditor : public QWidget\n{\n    Q_OBJECT\n"
          "    static QString text(const char *t);\n"
          "    void f() { title->setText(text(\"图片编辑\")); }\n};\n"
          "class Other : public QWidget\n{\n    Q_OBJECT\n"
          "    QString text(const char *t);\n    void f() { text(\"not translated\"); }\n};\n");
    write(QStringLiteral("app/forms/mainwindow.ui"),
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n"
          " <class>MainWindow</class>\n <widget class=\"QMainWindow\" name=\"MainWindow\">\n"
          "  <widget class=\"QGroupBox\" name=\"timeGroup\">\n"
          "   <property name=\"title\"><string>时间设置</string></property>\n"
          "   <property name=\"toolTip\"><string notr=\"true\">fixed</string></property>\n"
          "  </widget>\n </widget>\n</ui>\n");
    write(QStringLiteral("tests/tst.cpp"), "void MainWindow::g() { trMain(\"in the tests\"); }\n");
    write(QStringLiteral("build-x/moc.cpp"), "void MainWindow::g() { trMain(\"in a build\"); }\n");

    const TsFile found = collectSourceTexts(tree.path(), scratch.path());
    QVERIFY2(found.error.isEmpty(), qPrintable(found.error));
    QStringList expected{
            "MainWindow|系统(&S)", "MainWindow|时间设置", "MainWindow|当前设备:",
            "about|关闭(&Q)",      "box|终止(&Q)",        "editor|图片编辑",
            "main| 提示 ",         "main|01.开机画面",    "main|a; [b] <c> & \"d\"\n e "};
    expected.sort();
    QCOMPARE(keysOf(found), expected);
}

// The drift check: every text the program translates has an English entry in the context it
// is looked up in. Entries may run ahead of the sources, which are still being written.
void SourceTextsTest::sourcesHaveEnglishEntries()
{
    const TsFile english = readTsFile(QStringLiteral(KORLEX_TRANSLATIONS_DIR "/english.ts"));
    QVERIFY2(english.error.isEmpty(), qPrintable(english.error));
    QSet<QString> entries;
    for (const TsMessage &m : english.messages)
        entries.insert(m.context + QChar(0) + m.source);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const TsFile sources = collectSourceTexts(QStringLiteral(KORLEX_SOURCE_DIR), scratch.path());
    QVERIFY2(sources.error.isEmpty(), qPrintable(sources.error));
    QVERIFY(!sources.messages.isEmpty());

    QStringList missing;
    for (const TsMessage &m : sources.messages) {
        if (isDeliberatelyUntranslated(m.context, m.source))
            continue;
        if (!entries.contains(m.context + QChar(0) + m.source)) {
            QString text = m.source;
            text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
            missing << QStringLiteral("[%1] \"%2\"").arg(m.context, text);
        }
    }
    qInfo("%d translated texts in the sources", int(sources.messages.size()));
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("no entry in english.ts:\n") + missing.join('\n')));
}

QTEST_GUILESS_MAIN(SourceTextsTest)
#include "tst_sourcetexts.moc"
