// The translation sources and the translations compiled into the program from them.

#include "i18n/tsfile.h"
#include "resources/translations/translationresources.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QTest>
#include <QTranslator>

namespace {

const QString tsDir = QStringLiteral(KORLEX_TRANSLATIONS_DIR);

// The one text whose Simplified Chinese rendering differs from its source.
const QString trimmedContext = QStringLiteral("main");
const QString trimmedSource = QStringLiteral(" 读资源成功!");

QString key(const QString &context, const QString &source)
{
    return context + QChar(0) + source;
}

} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void tsFilesAreWellFormed_data();
    void tsFilesAreWellFormed();
    void englishIsComplete();
    void simplifiedChineseRendersEverySourceAsItself();
    void traditionalChineseEntriesAreComplete();

    void compiledTranslationsLoad_data();
    void compiledTranslationsLoad();
    void englishRenderings_data();
    void englishRenderings();
    void compiledTranslationsMatchTheirSources_data();
    void compiledTranslationsMatchTheirSources();
    void traditionalChineseTranslatesOnlyItsEntries();

private:
    TsFile english;
};

void TranslationsTest::initTestCase()
{
    initTranslationResources();
    english = readTsFile(tsDir + QStringLiteral("/english.ts"));
    QVERIFY2(english.error.isEmpty(), qPrintable(english.error));
    QVERIFY(!english.messages.isEmpty());
}

void TranslationsTest::tsFilesAreWellFormed_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("language");
    QTest::newRow("english") << QStringLiteral("english.ts") << QStringLiteral("en");
    QTest::newRow("simplified") << QStringLiteral("chinese_s.ts") << QStringLiteral("zh_CN");
    QTest::newRow("traditional") << QStringLiteral("chinese_t.ts") << QStringLiteral("zh_TW");
}

void TranslationsTest::tsFilesAreWellFormed()
{
    QFETCH(QString, file);
    QFETCH(QString, language);
    static const QSet<QString> contexts{QStringLiteral("MainWindow"), QStringLiteral("main"),
                                        QStringLiteral("MyFrame"),    QStringLiteral("qcurve"),
                                        QStringLiteral("group"),      QStringLiteral("editor"),
                                        QStringLiteral("box"),        QStringLiteral("about")};

    const TsFile ts = readTsFile(tsDir + QLatin1Char('/') + file);
    QVERIFY2(ts.error.isEmpty(), qPrintable(ts.error));
    QCOMPARE(ts.version, QStringLiteral("2.1"));
    QCOMPARE(ts.language, language);
    QSet<QString> seen;
    for (const TsMessage &m : ts.messages) {
        const QString where = QStringLiteral("%1:%2").arg(file).arg(m.line);
        QVERIFY2(contexts.contains(m.context), qPrintable(where + " unknown context " + m.context));
        QVERIFY2(!m.source.isEmpty(), qPrintable(where + " empty source"));
        QVERIFY2(!seen.contains(key(m.context, m.source)), qPrintable(where + " repeated"));
        seen.insert(key(m.context, m.source));
    }
}

void TranslationsTest::englishIsComplete()
{
    QStringList problems;
    for (const TsMessage &m : qAsConst(english.messages)) {
        if (isDeliberatelyUntranslated(m.context, m.source))
            continue;
        if (!m.translationType.isEmpty() || m.translation.isEmpty()) {
            problems << QStringLiteral("english.ts:%1 [%2] \"%3\": %4")
                                .arg(m.line)
                                .arg(m.context, m.source,
                                     m.translationType.isEmpty() ? QStringLiteral("empty")
                                                                 : m.translationType);
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void TranslationsTest::simplifiedChineseRendersEverySourceAsItself()
{
    const TsFile simplified = readTsFile(tsDir + QStringLiteral("/chinese_s.ts"));
    QVERIFY2(simplified.error.isEmpty(), qPrintable(simplified.error));
    QHash<QString, TsMessage> byKey;
    for (const TsMessage &m : simplified.messages)
        byKey.insert(key(m.context, m.source), m);

    QStringList problems;
    for (const TsMessage &m : qAsConst(english.messages)) {
        if (isDeliberatelyUntranslated(m.context, m.source))
            continue;
        const auto it = byKey.constFind(key(m.context, m.source));
        if (it == byKey.constEnd()) {
            problems << QStringLiteral("missing [%1] \"%2\"").arg(m.context, m.source);
            continue;
        }
        const bool trimmed = m.context == trimmedContext && m.source == trimmedSource;
        const QString expected = trimmed ? QStringLiteral("读资源成功!") : m.source;
        if (it->translation != expected || !it->translationType.isEmpty()) {
            problems << QStringLiteral("chinese_s.ts:%1 [%2] \"%3\" rendered \"%4\" %5")
                                .arg(it->line)
                                .arg(m.context, m.source, it->translation, it->translationType);
        }
        byKey.erase(it);
    }
    for (const TsMessage &m : qAsConst(byKey))
        problems << QStringLiteral("not in english.ts: [%1] \"%2\"").arg(m.context, m.source);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// The Traditional Chinese translation carries only texts that came after the first ones, which
// show as written in Traditional Chinese too: each of its entries is a finished rendering of a
// text that has an English entry in the same context, and none of the first texts is among them.
void TranslationsTest::traditionalChineseEntriesAreComplete()
{
    const TsFile traditional = readTsFile(tsDir + QStringLiteral("/chinese_t.ts"));
    QVERIFY2(traditional.error.isEmpty(), qPrintable(traditional.error));
    QSet<QString> englishKeys;
    for (const TsMessage &m : qAsConst(english.messages))
        englishKeys.insert(key(m.context, m.source));
    QStringList problems;
    for (const TsMessage &m : traditional.messages) {
        if (!englishKeys.contains(key(m.context, m.source)))
            problems << QStringLiteral("not in english.ts: [%1] \"%2\"").arg(m.context, m.source);
        if (m.translation.isEmpty() || !m.translationType.isEmpty())
            problems << QStringLiteral("chinese_t.ts:%1 unfinished").arg(m.line);
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    for (const char *first :
         {" 准备就绪", " USB设备未连接 ", "ROM程序升级作业", " 成功", " 失败"}) {
        for (const TsMessage &m : traditional.messages)
            QVERIFY2(m.source != QString::fromUtf8(first), first);
    }
}

void TranslationsTest::compiledTranslationsLoad_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("english") << QStringLiteral(":/lg/english.qm");
    QTest::newRow("simplified") << QStringLiteral(":/lg/chinese_s.qm");
    QTest::newRow("traditional") << QStringLiteral(":/lg/chinese_t.qm");
}

void TranslationsTest::compiledTranslationsLoad()
{
    QFETCH(QString, path);
    QTranslator translator;
    QVERIFY2(translator.load(path), qPrintable(path));
}

void TranslationsTest::englishRenderings_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("shown");

    QTest::newRow("main ready") << "main"
                                << " 准备就绪"
                                << " ready";
    QTest::newRow("main navigation") << "main"
                                     << " 欢迎界面"
                                     << " Welcome ";
    QTest::newRow("main slot name") << "main"
                                    << "01.开机画面"
                                    << "01.logo for power on";
    QTest::newRow("main job result") << "main"
                                     << " 成功"
                                     << " scuessfully";
    QTest::newRow("window menu") << "MainWindow"
                                 << "系统(&S)"
                                 << "&System";
    QTest::newRow("window tab blanks") << "MainWindow"
                                       << "   温度曲线    "
                                       << "   temperature line    ";
    QTest::newRow("window form caption") << "MainWindow"
                                         << "时间设置"
                                         << "set time";
    QTest::newRow("main close question") << "main"
                                         << "强制关闭(&C)"
                                         << "&Close anyway";
    QTest::newRow("window upgrade") << "MainWindow"
                                    << " 升级失败"
                                    << " upgrade unsuccessful";
    QTest::newRow("curve unit blank") << "qcurve"
                                      << "秒"
                                      << "s ";
    QTest::newRow("curve axis") << "qcurve"
                                << "时间"
                                << "time";
    QTest::newRow("group title") << "group"
                                 << "参数设置"
                                 << "Coil advanced seeting and select";
    QTest::newRow("group material") << "group"
                                    << "不锈钢316"
                                    << "Steel 316";
    QTest::newRow("panel caption") << "MyFrame"
                                   << "外观图"
                                   << "Appearence";
    QTest::newRow("editor blanks") << "editor"
                                   << " 确认(&S) "
                                   << " OK(&S) ";
    QTest::newRow("editor zoom") << "editor"
                                 << " 缩放"
                                 << " Zoom";
    QTest::newRow("box quit") << "box"
                              << "终止(&Q)"
                              << "&Quit";
    QTest::newRow("about title") << "about"
                                 << " 关于电子烟"
                                 << " About E-Cigarette";
    QTest::newRow("about quit") << "about"
                                << "关闭(&Q)"
                                << "&Quit";

    // The same text in two contexts has an entry in each.
    QTest::newRow("default in window") << "MainWindow"
                                       << "恢复本页默认值(&B)"
                                       << "Default(&B)";
    QTest::newRow("default in main") << "main"
                                     << "恢复本页默认值(&B)"
                                     << "Default(&B)";

    // A text is found only in the context it is translated in; elsewhere the source shows.
    QTest::newRow("window text in main") << "main"
                                         << "系统(&S)"
                                         << "系统(&S)";
    QTest::newRow("main text in window") << "MainWindow"
                                         << " USB设备未连接 "
                                         << " USB设备未连接 ";
    QTest::newRow("curve text in group") << "group"
                                         << "秒"
                                         << "秒";
    QTest::newRow("editor default in window") << "MainWindow"
                                              << "默认值(&B)"
                                              << "默认值(&B)";
    QTest::newRow("untranslated caption") << "about"
                                          << "Progress:"
                                          << "Progress:";
}

void TranslationsTest::englishRenderings()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, shown);

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/lg/english.qm")));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const QByteArray c = context.toUtf8();
    const QByteArray s = source.toUtf8();
    const QString result = QCoreApplication::translate(c.constData(), s.constData());
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(result, shown);
}

void TranslationsTest::compiledTranslationsMatchTheirSources_data()
{
    QTest::addColumn<QString>("qm");
    QTest::addColumn<bool>("isEnglish");
    QTest::newRow("english") << QStringLiteral(":/lg/english.qm") << true;
    QTest::newRow("simplified") << QStringLiteral(":/lg/chinese_s.qm") << false;
}

// Every entry reaches the program exactly as written, blanks, line feeds and escaped
// characters included.
void TranslationsTest::compiledTranslationsMatchTheirSources()
{
    QFETCH(QString, qm);
    QFETCH(bool, isEnglish);
    QTranslator translator;
    QVERIFY(translator.load(qm));

    const TsFile ts = isEnglish ? english : readTsFile(tsDir + QStringLiteral("/chinese_s.ts"));
    QVERIFY2(ts.error.isEmpty(), qPrintable(ts.error));
    QStringList problems;
    for (const TsMessage &m : ts.messages) {
        if (!m.translationType.isEmpty())
            continue;
        const QByteArray c = m.context.toUtf8();
        const QByteArray s = m.source.toUtf8();
        const QString shown = translator.translate(c.constData(), s.constData());
        if (shown != m.translation) {
            problems << QStringLiteral("[%1] \"%2\" shows \"%3\", expected \"%4\"")
                                .arg(m.context, m.source, shown, m.translation);
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    if (!isEnglish) {
        const QByteArray s = trimmedSource.toUtf8();
        QCOMPARE(translator.translate("main", s.constData()), QStringLiteral("读资源成功!"));
    }
}

// The compiled Traditional Chinese translation renders its entries and nothing else: every
// other text shows as its source.
void TranslationsTest::traditionalChineseTranslatesOnlyItsEntries()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/lg/chinese_t.qm")));
    const TsFile traditional = readTsFile(tsDir + QStringLiteral("/chinese_t.ts"));
    QVERIFY2(traditional.error.isEmpty(), qPrintable(traditional.error));
    QHash<QString, QString> rendered;
    for (const TsMessage &m : traditional.messages)
        rendered.insert(key(m.context, m.source), m.translation);
    QStringList problems;
    for (const TsMessage &m : qAsConst(english.messages)) {
        const QByteArray c = m.context.toUtf8();
        const QByteArray s = m.source.toUtf8();
        const QString shown = translator.translate(c.constData(), s.constData());
        const QString expected = rendered.value(key(m.context, m.source));
        if (shown != expected)
            problems << QStringLiteral("[%1] \"%2\" shows \"%3\"").arg(m.context, m.source, shown);
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TranslationsTest)
#include "tst_translations.moc"
