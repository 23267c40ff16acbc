// Interface language: the stored setting and switching the installed translation.

#include "app/mainwindow.h"

#include "catalogue/devicemodels.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTranslator>

namespace {

// Marks the stored language as valid; only the low byte of the stored flag is compared.
const int settingsValidFlag = 0x55;

QString translationFile(Language lang)
{
    switch (lang) {
    case SimplifiedChinese:
        return QStringLiteral(":/lg/chinese_s.qm");
    case TraditionalChinese:
        return QStringLiteral(":/lg/chinese_t.qm");
    case English:
    default:
        return QStringLiteral(":/lg/english.qm");
    }
}

bool isKnownLanguage(int value)
{
    return value == English || value == SimplifiedChinese || value == TraditionalChinese;
}

} // namespace

void MainWindow::loadLanguageSetting()
{
    loadDeviceModels();

    currentLanguage = English;
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    const int flag = settings.value(QStringLiteral("flag"), 0).toInt() & 0xFF;
    if (flag == settingsValidFlag) {
        const int stored = settings.value(QStringLiteral("lg"), 0).toInt();
        // A value that names no language starts the program in English, so that one language
        // action is checked and the help command opens a real document.
        currentLanguage = isKnownLanguage(stored) ? Language(stored) : English;
    }
}

void MainWindow::saveLanguageSetting()
{
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.setValue(QStringLiteral("flag"), settingsValidFlag);
    settings.setValue(QStringLiteral("lg"), int(currentLanguage));
}

void MainWindow::installLanguageSlots(Language lang)
{
    const QString file = translationFile(lang);

    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    translator = new QTranslator(this);
    if (!translator->load(file))
        return; // the texts stay as they are

    QCoreApplication::installTranslator(translator);
    ui->retranslateUi(this);
    retranslateCodeTexts();
    if (picEditor)
        retranslatePictureEditor();
}

void MainWindow::languageSelectSlots()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;

    ui->rizhiTextEdit->clear();

    // These three lines are written in the language being switched to and never translated.
    Language lang = English;
    if (action == englishAction) {
        appendLog(QStringLiteral(" Switch language to English"));
        lang = English;
    } else if (action == simplifiedChineseAction) {
        appendLog(QStringLiteral(" 切换语言至简体中文"));
        lang = SimplifiedChinese;
    } else if (action == traditionalChineseAction) {
        appendLog(QStringLiteral(" 切换语言至繁体中文"));
        lang = TraditionalChinese;
    }

    currentLanguage = lang;
    saveLanguageSetting();
    updateLanguageChecks(lang);
    installLanguageSlots(lang);
}

void MainWindow::updateLanguageChecks(Language lang)
{
    if (!isKnownLanguage(lang))
        return;
    englishAction->setChecked(lang == English);
    simplifiedChineseAction->setChecked(lang == SimplifiedChinese);
    traditionalChineseAction->setChecked(lang == TraditionalChinese);
}
