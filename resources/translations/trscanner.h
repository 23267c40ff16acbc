#ifndef RESOURCES_TRANSLATIONS_TRSCANNER_H
#define RESOURCES_TRANSLATIONS_TRSCANNER_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// Finds the literals that the program passes to a translation function, together with the
// context in which each one is looked up at run time:
//
// - tr("...") takes the context of the class whose member it is written in: the class named by
//   an out-of-line definition (void MainWindow::f() { ... }), or the class whose body holds an
//   inline member. Class::tr("...") names the class itself. A class that declares
//   Q_DECLARE_TR_FUNCTIONS(ctx) translates in ctx.
// - Helpers with a fixed context: trMain("...") in "main", trAbout("...") in "about".
// - Members of one class that translate in a fixed context: BmpEditor's text("...") in "editor".
// - QCoreApplication::translate("ctx", "..."), also through QApplication, QGuiApplication and
//   qApp->, and QT_TRANSLATE_NOOP("ctx", "..."); QT_TR_NOOP("...") as tr.
// - Forms (.ui): every non-empty <string> not marked notr, in the context of the form's class;
//   style sheets are left out, they are never given a translation.
//
// Literals are read as the compiler reads them: escape sequences are decoded, adjacent literals
// are joined (also across comments and line breaks), raw literals are taken verbatim, and
// comments, character literals and preprocessor lines are skipped.
class TrScanner
{
public:
    enum class Kind {
        Tr, // tr() or a QT_TR_NOOP, context from the enclosing class
        Helper, // a helper with a fixed context (trMain, trAbout, BmpEditor::text)
        Translate, // QCoreApplication::translate or QT_TRANSLATE_NOOP, context written out
        Form // a caption of a .ui form
    };

    struct Literal
    {
        QString context; // empty when a tr() stands outside any class
        QString text;
        Kind kind = Kind::Tr;
        QString file;
        int line = 0;
    };

    // A translation call whose text is not a literal (a variable, an expression); it cannot be
    // checked against the translation files.
    struct Call
    {
        QString function;
        QString file;
        int line = 0;
    };

    TrScanner();

    // Scans one C++ source. The name is only used in the results.
    void scanCpp(const QByteArray &source, const QString &fileName);
    // Scans one Qt Designer form.
    void scanForm(const QByteArray &form, const QString &fileName);
    // Scans every .cpp, .h and .ui file below root, skipping the named top-level folders and
    // every folder whose name begins with "build" or ".". Class declarations of all files are
    // collected before any file is scanned, so their order does not matter. File names in the
    // results are relative to root.
    void scanTree(const QString &root, const QStringList &skippedFolders = QStringList());

    const QVector<Literal> &literals() const { return found; }
    const QVector<Call> &nonLiteralCalls() const { return unchecked; }

private:
    // Helpers with a fixed context: function name -> context.
    QHash<QString, QString> fixedContextHelpers;
    // Members of one class that translate in a fixed context: "Class::member" -> context.
    QHash<QString, QString> memberHelpers;
    // Classes that declare their own tr context with Q_DECLARE_TR_FUNCTIONS.
    QHash<QString, QString> declaredTrContexts;

    QVector<Literal> found;
    QVector<Call> unchecked;
};

#endif // RESOURCES_TRANSLATIONS_TRSCANNER_H
