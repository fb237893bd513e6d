// Drives the real Qt dialogs offscreen: a timer waits for each modal
// dialog the code under test opens, looks at it and answers it, so every
// dialog goes through its own exec().

#include "modaldriver.h"
#include "platform/commondialog.h"
#include "platform/fontdialog.h"
#include "platform/qtdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>

#include <algorithm>
#include <functional>

using namespace borovka;
using namespace borovka::testing;

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{\\rtf1 }");
}

DialogValues openSettings(const QString &fileName = QStringLiteral("*.kln"))
{
    DialogValues v;
    v.DialogTitle = QStringLiteral("Otevření souboru...");
    v.DefaultExt = QStringLiteral("kln");
    v.Filter = QStringLiteral("Soubor Sklipku (*.kln)");
    v.FileName = fileName;
    return v;
}

DialogValues saveSettings(const QString &fileName = QStringLiteral("*.kln"))
{
    DialogValues v = openSettings(fileName);
    v.DialogTitle = QStringLiteral("Uložení souboru...");
    return v;
}

void setCommon(CommonDialog &cd, const DialogValues &v)
{
    static_cast<DialogValues &>(cd) = v;
}

} // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    // Message box
    void messageBox_data();
    void messageBox();
    void messageBoxButtonsSpeakCzech();

    // File dialogs
    void nameFilters_data();
    void nameFilters();
    void openCancelLeavesValues();
    void openFilterWithoutPattern();
    void openTypedNameFindsFile();
    void saveTypedName_data();
    void saveTypedName();
    void saveStartsInFolderOfPath();
    void saveAsksBeforeReplacing_data();
    void saveAsksBeforeReplacing();
    void typedPatternRestrictsList();
    void presetPatternInNameField_data();
    void presetPatternInNameField();

    // Font dialog
    void fontDialogOpensWithValues();
    void fontDialogReturnsChoice();
    void fontDialogKeepsUntouchedValues();
    void fontDialogCancelLeavesValues();
    void fontDialogWithoutEffects();
    void fontDialogEmptyFace();
    void pointSizeText_data();
    void pointSizeText();

    // Colour dialog
    void colorDialog_data();
    void colorDialog();
};

void TestQtDialogs::initTestCase()
{
    // The offscreen platform warns about every dialog that fixes its size;
    // keep the log for what matters.
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.contains(QLatin1String("propagateSizeHints")))
                previous(type, context, message);
        });
}

// ---------------------------------------------------------------- message box

void TestQtDialogs::messageBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("action"); // a button's role, "escape", "enter" or "close"
    QTest::addColumn<QList<int>>("shown");
    QTest::addColumn<int>("expected");

    const QList<int> ok{QMessageBox::Ok};
    const QList<int> ync{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    const QList<int> yn{QMessageBox::Yes, QMessageBox::No};

    QTest::newRow("OK, pressed") << MsgBox::OkOnly << "ok" << ok << MsgBox::Ok;
    QTest::newRow("OK, Enter") << MsgBox::OkOnly << "enter" << ok << MsgBox::Ok;
    QTest::newRow("OK, Escape") << MsgBox::OkOnly << "escape" << ok << MsgBox::Cancel;
    QTest::newRow("Yes/No/Cancel, Yes") << MsgBox::YesNoCancel << "yes" << ync << MsgBox::Yes;
    QTest::newRow("Yes/No/Cancel, No") << MsgBox::YesNoCancel << "no" << ync << MsgBox::No;
    QTest::newRow("Yes/No/Cancel, Cancel") << MsgBox::YesNoCancel << "cancel" << ync << MsgBox::Cancel;
    QTest::newRow("Yes/No/Cancel, Escape") << MsgBox::YesNoCancel << "escape" << ync << MsgBox::Cancel;
    QTest::newRow("Yes/No/Cancel, Enter is Yes") << MsgBox::YesNoCancel << "enter" << ync << MsgBox::Yes;
    QTest::newRow("Yes/No/Cancel, closed") << MsgBox::YesNoCancel << "close" << ync << MsgBox::Cancel;
    QTest::newRow("Yes/No, Yes") << MsgBox::YesNo << "yes" << yn << MsgBox::Yes;
    QTest::newRow("Yes/No, No") << MsgBox::YesNo << "no" << yn << MsgBox::No;
    QTest::newRow("Yes/No, Enter is Yes") << MsgBox::YesNo << "enter" << yn << MsgBox::Yes;
    QTest::newRow("Yes/No, Escape is neither") << MsgBox::YesNo << "escape" << yn << MsgBox::Cancel;
    QTest::newRow("Yes/No, closed is neither") << MsgBox::YesNo << "close" << yn << MsgBox::Cancel;
}

void TestQtDialogs::messageBox()
{
    QFETCH(int, buttons);
    QFETCH(QString, action);
    QFETCH(QList<int>, shown);
    QFETCH(int, expected);

    QString text, title, className;
    int icon = -1, textFormat = -1, defaultButton = -1;
    bool pixmapEmpty = false;
    QList<int> seen;

    ModalDriver driver({[&](QWidget *w) {
        className = QString::fromLatin1(w->metaObject()->className());
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return reject(w);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        pixmapEmpty = box->iconPixmap().isNull();
        textFormat = box->textFormat();
        for (QAbstractButton *b : box->buttons())
            seen << int(box->standardButton(b));
        std::sort(seen.begin(), seen.end());
        if (box->defaultButton())
            defaultButton = box->standardButton(box->defaultButton());

        if (action == QLatin1String("escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (action == QLatin1String("enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (action == QLatin1String("close"))
            box->close();
        else {
            const auto which = action == QLatin1String("ok")    ? QMessageBox::Ok
                               : action == QLatin1String("yes") ? QMessageBox::Yes
                               : action == QLatin1String("no")  ? QMessageBox::No
                                                                : QMessageBox::Cancel;
            if (QAbstractButton *b = box->button(which))
                b->click();
        }
    }});

    QtDialogs dialogs;
    const int result = dialogs.messageBox(QStringLiteral("První řádek\r\nDruhý <b>řádek</b>"), buttons,
                                          QStringLiteral("Soubor změněn"));

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QVERIFY2(className.endsWith(QLatin1String("MessageBox")), qPrintable(className));
    QCOMPARE(result, expected);
    QCOMPARE(text, QStringLiteral("První řádek\nDruhý <b>řádek</b>"));
    QCOMPARE(textFormat, int(Qt::PlainText));
    QCOMPARE(title, QStringLiteral("Soubor změněn"));
    QCOMPARE(icon, int(QMessageBox::NoIcon));
    QVERIFY(pixmapEmpty);
    std::sort(shown.begin(), shown.end());
    QCOMPARE(seen, shown);
    QCOMPARE(defaultButton, buttons == MsgBox::OkOnly ? int(QMessageBox::Ok) : int(QMessageBox::Yes));
}

void TestQtDialogs::messageBoxButtonsSpeakCzech()
{
    QTranslator czech;
    if (!czech.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QSKIP("Qt's Czech translation (qt6-translations-l10n) is not installed");
    QCoreApplication::installTranslator(&czech);

    QStringList labels;
    ModalDriver driver({[&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box)
            return reject(w);
        for (auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            if (QAbstractButton *b = box->button(which))
                labels << stripAccel(b->text());
        box->button(QMessageBox::No)->click();
    }});
    const int result = QtDialogs().messageBox(QStringLiteral("Uložit?"), MsgBox::YesNoCancel, QString());
    QCoreApplication::removeTranslator(&czech);

    QVERIFY(!driver.timedOut());
    QCOMPARE(result, MsgBox::No);
    QCOMPARE(labels, (QStringList{QStringLiteral("Ano"), QStringLiteral("Ne"), QStringLiteral("Zrušit")}));
}

// ---------------------------------------------------------------- file dialogs

void TestQtDialogs::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("own pattern") << "Soubor Sklipku (*.kln)" << "*.kln"
                                 << QStringList{"Soubor Sklipku (*.kln)"};
    QTest::newRow("own pattern, real name") << "Soubor Sklipku (*.kln)" << "/home/a/b.kln"
                                            << QStringList{"Soubor Sklipku (*.kln)"};
    QTest::newRow("no pattern takes the name field's") << "Soubor Sklipku" << "*.kln"
                                                       << QStringList{"Soubor Sklipku (*.kln)"};
    QTest::newRow("no pattern, folder and pattern") << "Soubor Sklipku" << "/data/*.txt"
                                                    << QStringList{"Soubor Sklipku (*.txt)"};
    QTest::newRow("no pattern anywhere lists all") << "Soubor Sklipku" << "clanek.kln"
                                                   << QStringList{"Soubor Sklipku (*)"};
    QTest::newRow("words in parentheses are no pattern") << "Soubor (nový)" << "*.kln"
                                                         << QStringList{"Soubor (nový) (*.kln)"};
    QTest::newRow("empty filter, pattern") << "" << "*.kln" << QStringList{"*.kln"};
    QTest::newRow("empty filter, no pattern") << "" << "a.kln" << QStringList{};
    QTest::newRow("pairs") << "Soubor Sklipku|*.kln|Text|*.txt;*.asc" << "*.kln"
                           << QStringList{"Soubor Sklipku (*.kln)", "Text (*.txt *.asc)"};
    QTest::newRow("pair without pattern") << "Soubor Sklipku|" << "*.kln"
                                          << QStringList{"Soubor Sklipku (*.kln)"};
}

void TestQtDialogs::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, fileName);
    QFETCH(QStringList, expected);
    QCOMPARE(QtDialogs::nameFiltersFor(filter, fileName), expected);
}

void TestQtDialogs::openCancelLeavesValues()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("a.kln")));
    touch(dir.filePath(QStringLiteral("b.kln")));
    touch(dir.filePath(QStringLiteral("c.txt")));

    QString title, name, folder;
    QStringList entries, listed;
    int mode = -1;
    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd)
            return reject(w);
        title = fd->windowTitle();
        entries = typeEntries(fd);
        mode = fd->acceptMode();
        folder = fd->directory().absolutePath();
        name = nameEdit(fd) ? nameEdit(fd)->text() : QStringLiteral("<none>");
        listed = listedFiles(fd, 2);
        clickDialogButton(fd, QDialogButtonBox::Cancel);
    }});

    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    const DialogValues before = openSettings(dir.path() + QStringLiteral("/*.kln"));
    setCommon(cd, before);
    cd.ShowOpen();

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QCOMPARE(static_cast<DialogValues &>(cd), before);
    QCOMPARE(title, QStringLiteral("Otevření souboru..."));
    QCOMPARE(mode, int(QFileDialog::AcceptOpen));
    QCOMPARE(entries, QStringList{QStringLiteral("Soubor Sklipku (*.kln)")});
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(name, QStringLiteral("*.kln"));
    QCOMPARE(listed, (QStringList{QStringLiteral("a.kln"), QStringLiteral("b.kln")}));
}

void TestQtDialogs::openFilterWithoutPattern()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("a.kln")));
    touch(dir.filePath(QStringLiteral("c.txt")));

    QStringList entries, listed;
    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd)
            return reject(w);
        entries = typeEntries(fd);
        listed = listedFiles(fd, 1);
        fd->reject();
    }});

    DialogValues v = openSettings(dir.path() + QStringLiteral("/*.kln"));
    v.Filter = QStringLiteral("Soubor Sklipku");
    QVERIFY(!QtDialogs().showOpen(v));
    QVERIFY(!driver.timedOut());
    QCOMPARE(entries, QStringList{QStringLiteral("Soubor Sklipku (*.kln)")});
    QCOMPARE(listed, QStringList{QStringLiteral("a.kln")});
}

void TestQtDialogs::openTypedNameFindsFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("clanek.kln")));

    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd || !nameEdit(fd))
            return reject(w);
        fd->setDirectory(dir.path());
        nameEdit(fd)->setText(QStringLiteral("clanek"));
        clickDialogButton(fd, QDialogButtonBox::Open);
    }});

    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    setCommon(cd, openSettings());
    cd.ShowOpen();
    QVERIFY(!driver.timedOut());
    QCOMPARE(cd.FileName, QDir(dir.path()).absoluteFilePath(QStringLiteral("clanek.kln")));
}

void TestQtDialogs::saveTypedName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no extension gets .kln") << "clanek" << "clanek.kln";
    QTest::newRow("own extension kept") << "clanek.txt" << "clanek.txt";
    QTest::newRow("Czech name") << "úvodník" << "úvodník.kln";
}

void TestQtDialogs::saveTypedName()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    QString title, initialName;
    QStringList entries;
    int mode = -1;
    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd || !nameEdit(fd))
            return reject(w);
        title = fd->windowTitle();
        entries = typeEntries(fd);
        mode = fd->acceptMode();
        fd->setDirectory(dir.path());
        initialName = nameEdit(fd)->selectedText();
        // Typing replaces the selected pattern.
        nameEdit(fd)->insert(typed);
        clickDialogButton(fd, QDialogButtonBox::Save);
    }});

    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    setCommon(cd, saveSettings());
    cd.ShowSave();

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QCOMPARE(title, QStringLiteral("Uložení souboru..."));
    QCOMPARE(mode, int(QFileDialog::AcceptSave));
    QCOMPARE(entries, QStringList{QStringLiteral("Soubor Sklipku (*.kln)")});
    QCOMPARE(initialName, QStringLiteral("*.kln"));
    QCOMPARE(cd.FileName, QDir(dir.path()).absoluteFilePath(expected));
    QVERIFY(QFileInfo(cd.FileName).isAbsolute());
    // Only the file name changes.
    QCOMPARE(cd.DialogTitle, QStringLiteral("Uložení souboru..."));
    QCOMPARE(cd.Filter, QStringLiteral("Soubor Sklipku (*.kln)"));
}

void TestQtDialogs::saveStartsInFolderOfPath()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString path = dir.filePath(QStringLiteral("sub/stary.kln"));

    QString folder, name;
    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd || !nameEdit(fd))
            return reject(w);
        folder = fd->directory().absolutePath();
        name = nameEdit(fd)->text();
        clickDialogButton(fd, QDialogButtonBox::Save);
    }});

    DialogValues v = saveSettings(path);
    QVERIFY(QtDialogs().showSave(v));
    QVERIFY(!driver.timedOut());
    QCOMPARE(folder, QFileInfo(path).absolutePath());
    QCOMPARE(name, QStringLiteral("stary.kln"));
    QCOMPARE(v.FileName, QFileInfo(path).absoluteFilePath());
}

void TestQtDialogs::saveAsksBeforeReplacing_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("replace") << true;
    QTest::newRow("keep") << false;
}

void TestQtDialogs::saveAsksBeforeReplacing()
{
    QFETCH(bool, replace);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("stary.kln"));
    touch(path);

    QString question;
    bool backInFileDialog = false;
    QList<Step> steps{
        [&](QWidget *w) {
            if (!qobject_cast<QFileDialog *>(w))
                return reject(w);
            clickDialogButton(w, QDialogButtonBox::Save);
        },
        [&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return reject(w);
            question = box->text();
            box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
        },
    };
    if (!replace) {
        steps << [&](QWidget *w) {
            backInFileDialog = qobject_cast<QFileDialog *>(w) != nullptr;
            reject(w);
        };
    }
    ModalDriver driver(steps);

    DialogValues v = saveSettings(path);
    const DialogValues before = v;
    const bool ok = QtDialogs().showSave(v);

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), int(steps.size()));
    QVERIFY2(question.contains(QLatin1String("stary.kln")), qPrintable(question));
    QCOMPARE(ok, replace);
    if (replace) {
        QCOMPARE(v.FileName, QFileInfo(path).absoluteFilePath());
    } else {
        QVERIFY(backInFileDialog);
        QCOMPARE(v, before);
    }
}

void TestQtDialogs::typedPatternRestrictsList()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("a.kln")));
    touch(dir.filePath(QStringLiteral("b.txt")));
    touch(dir.filePath(QStringLiteral("c.txt")));

    bool stillOpen = false;
    QStringList listed, entries;
    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd || !nameEdit(fd))
            return reject(w);
        nameEdit(fd)->setText(QStringLiteral("*.txt"));
        QTest::keyClick(nameEdit(fd), Qt::Key_Return);
        stillOpen = fd->isVisible();
        entries = typeEntries(fd);
        listed = listedFiles(fd, 2);
        fd->reject();
    }});

    DialogValues v = saveSettings(dir.path() + QStringLiteral("/*.kln"));
    const DialogValues before = v;
    QVERIFY(!QtDialogs().showSave(v));
    QVERIFY(!driver.timedOut());
    QVERIFY(stillOpen);
    QCOMPARE(entries, QStringList{QStringLiteral("Soubor Sklipku (*.txt)")});
    QCOMPARE(listed, (QStringList{QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    QCOMPARE(v, before);
}

void TestQtDialogs::presetPatternInNameField_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

// The pattern the commands set stands in the name field, selected;
// confirming it filters the list, and a name typed over it is returned.
void TestQtDialogs::presetPatternInNameField()
{
    QFETCH(bool, save);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("a.kln")));
    touch(dir.filePath(QStringLiteral("b.txt")));
    // A new name to save under, an existing one to open.
    const QString typed = save ? QStringLiteral("novy") : QStringLiteral("a");

    QString shown, selected, afterEnter;
    bool stillOpen = false;
    QStringList listed;
    ModalDriver driver({[&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        if (!fd || !nameEdit(fd))
            return reject(w);
        QLineEdit *edit = nameEdit(fd);
        listed = listedFiles(fd, 1);
        shown = edit->text();
        selected = edit->selectedText();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        stillOpen = fd->isVisible();
        afterEnter = edit->text();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
    }});

    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    const QString pattern = dir.path() + QStringLiteral("/*.kln");
    setCommon(cd, save ? saveSettings(pattern) : openSettings(pattern));
    if (save)
        cd.ShowSave();
    else
        cd.ShowOpen();

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QCOMPARE(shown, QStringLiteral("*.kln"));
    QCOMPARE(selected, QStringLiteral("*.kln"));
    QVERIFY(stillOpen);
    QCOMPARE(afterEnter, QStringLiteral("*.kln"));
    QCOMPARE(listed, QStringList{QStringLiteral("a.kln")});
    QCOMPARE(cd.FileName, QDir(dir.path()).absoluteFilePath(typed + QStringLiteral(".kln")));
}

// ---------------------------------------------------------------- font dialog

namespace {

struct FontWidgets {
    QFontComboBox *face = nullptr;
    QComboBox *style = nullptr;
    QComboBox *size = nullptr;
    QGroupBox *effects = nullptr;
    QCheckBox *underline = nullptr;
    QCheckBox *strike = nullptr;
    QToolButton *color = nullptr;
    QLabel *sample = nullptr;

    explicit FontWidgets(QWidget *w)
        : face(w->findChild<QFontComboBox *>(QStringLiteral("fontFace"))),
          style(w->findChild<QComboBox *>(QStringLiteral("fontStyle"))),
          size(w->findChild<QComboBox *>(QStringLiteral("fontSize"))),
          effects(w->findChild<QGroupBox *>(QStringLiteral("fontEffects"))),
          underline(w->findChild<QCheckBox *>(QStringLiteral("fontUnderline"))),
          strike(w->findChild<QCheckBox *>(QStringLiteral("fontStrikethru"))),
          color(w->findChild<QToolButton *>(QStringLiteral("fontColor"))),
          sample(w->findChild<QLabel *>(QStringLiteral("fontSample")))
    {
    }
    bool complete() const
    {
        return face && style && size && effects && underline && strike && color && sample;
    }
};

DialogValues fontValues()
{
    DialogValues v;
    v.Flags = 259;
    v.FontName = QStringLiteral("Liberation Serif");
    v.FontSize = 11.5;
    v.FontBold = true;
    v.FontItalic = false;
    v.FontUnderline = true;
    v.FontStrikethru = false;
    v.Color = QColor(0, 128, 0);
    return v;
}

} // namespace

void TestQtDialogs::fontDialogOpensWithValues()
{
    QString title, face, size, style;
    bool underline = false, strike = true, effectsVisible = false, complete = false;
    QColor sampleColor;
    QFont sampleFont;
    ModalDriver driver({[&](QWidget *w) {
        FontWidgets f(w);
        complete = f.complete();
        if (!complete)
            return reject(w);
        title = w->windowTitle();
        face = f.face->currentText();
        size = f.size->currentText();
        style = f.style->currentText();
        underline = f.underline->isChecked();
        strike = f.strike->isChecked();
        effectsVisible = f.effects->isVisible();
        sampleColor = f.sample->palette().color(QPalette::WindowText);
        sampleFont = f.sample->font();
        reject(w);
    }});

    DialogValues v = fontValues();
    QVERIFY(!QtDialogs().showFont(v));
    QVERIFY(!driver.timedOut());
    QVERIFY(complete);
    QCOMPARE(title, QStringLiteral("Písmo"));
    QCOMPARE(face, QStringLiteral("Liberation Serif"));
    QCOMPARE(size, formatPointSize(11.5));
    QCOMPARE(style, QStringLiteral("Tučné"));
    QVERIFY(underline);
    QVERIFY(!strike);
    QVERIFY(effectsVisible);
    QCOMPARE(sampleColor, QColor(0, 128, 0));
    QVERIFY(sampleFont.bold());
    QVERIFY(sampleFont.underline());
    QCOMPARE(sampleFont.pointSizeF(), 11.5);
}

void TestQtDialogs::fontDialogReturnsChoice()
{
    QString pickedFace;
    QColor preselected;
    QList<Step> steps{
        [&](QWidget *w) {
            FontWidgets f(w);
            if (!f.complete())
                return reject(w);
            const int other = f.face->findText(QStringLiteral("DejaVu Sans Mono"));
            f.face->setCurrentIndex(other >= 0 ? other : (f.face->currentIndex() + 1) % f.face->count());
            pickedFace = f.face->currentText();
            f.style->setCurrentIndex(3); // bold italic
            f.size->setEditText(QStringLiteral("14"));
            f.underline->setChecked(false);
            f.strike->setChecked(true);
            // The colour button opens the colour picker; the next step answers it.
            f.color->click();
        },
        [&](QWidget *w) {
            auto *picker = qobject_cast<QColorDialog *>(w);
            if (!picker)
                return reject(w);
            preselected = picker->currentColor();
            picker->setCurrentColor(QColor(200, 10, 20));
            clickDialogButton(picker, QDialogButtonBox::Ok);
        },
        [&](QWidget *w) {
            if (!FontWidgets(w).complete())
                return reject(w);
            clickDialogButton(w, QDialogButtonBox::Ok);
        },
    };
    ModalDriver driver(steps);

    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    setCommon(cd, fontValues());
    cd.ShowFont();

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 3);
    QCOMPARE(preselected, QColor(0, 128, 0));
    QVERIFY(!pickedFace.isEmpty());
    QVERIFY(pickedFace != QStringLiteral("Liberation Serif"));
    QCOMPARE(cd.FontName, pickedFace);
    QCOMPARE(cd.FontSize, 14.0);
    QVERIFY(cd.FontBold);
    QVERIFY(cd.FontItalic);
    QVERIFY(!cd.FontUnderline);
    QVERIFY(cd.FontStrikethru);
    QCOMPARE(cd.Color, QColor(200, 10, 20));
    QCOMPARE(cd.Flags, 259);
}

void TestQtDialogs::fontDialogKeepsUntouchedValues()
{
    // A face that is not installed and a fractional size come back as given.
    ModalDriver driver({[&](QWidget *w) { clickDialogButton(w, QDialogButtonBox::Ok); }});
    DialogValues v = fontValues();
    v.FontName = QStringLiteral("Courier New CE");
    v.FontSize = double(11.3f); // single precision, shown as "11.3"
    const DialogValues before = v;
    QVERIFY(QtDialogs().showFont(v));
    QVERIFY(!driver.timedOut());
    QCOMPARE(v, before);
}

void TestQtDialogs::fontDialogCancelLeavesValues()
{
    ModalDriver driver({[&](QWidget *w) {
        FontWidgets f(w);
        if (!f.complete())
            return reject(w);
        f.style->setCurrentIndex(0);
        f.size->setEditText(QStringLiteral("30"));
        f.strike->setChecked(true);
        clickDialogButton(w, QDialogButtonBox::Cancel);
    }});
    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    setCommon(cd, fontValues());
    const DialogValues before = cd;
    cd.ShowFont();
    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QCOMPARE(static_cast<DialogValues &>(cd), before);
}

void TestQtDialogs::fontDialogWithoutEffects()
{
    bool effectsVisible = true;
    ModalDriver driver({[&](QWidget *w) {
        FontWidgets f(w);
        if (!f.complete())
            return reject(w);
        effectsVisible = f.effects->isVisible();
        f.underline->setChecked(false); // hidden: whatever it holds is not the user's choice
        f.size->setEditText(QStringLiteral("9,5"));
        clickDialogButton(w, QDialogButtonBox::Ok);
    }});
    DialogValues v = fontValues();
    v.Flags = 3;
    QVERIFY(QtDialogs().showFont(v));
    QVERIFY(!driver.timedOut());
    QVERIFY(!effectsVisible);
    QVERIFY(v.FontUnderline);
    QCOMPARE(v.Color, QColor(0, 128, 0));
    QCOMPARE(v.FontSize, 9.5);
}

void TestQtDialogs::fontDialogEmptyFace()
{
    QString shown;
    bool okEnabled = false;
    ModalDriver driver({[&](QWidget *w) {
        FontWidgets f(w);
        if (!f.complete())
            return reject(w);
        shown = f.face->currentText();
        auto *box = w->findChild<QDialogButtonBox *>();
        okEnabled = box && box->button(QDialogButtonBox::Ok)->isEnabled();
        clickDialogButton(w, QDialogButtonBox::Ok);
    }});
    DialogValues v; // the first use: no face name, 8 points
    v.Flags = 259;
    QVERIFY(QtDialogs().showFont(v));
    QVERIFY(!driver.timedOut());
    QVERIFY(okEnabled);
    QVERIFY(!shown.isEmpty());
    QCOMPARE(v.FontName, shown);
    QCOMPARE(v.FontSize, 8.0);
}

void TestQtDialogs::pointSizeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("size");
    QTest::newRow("whole") << "12" << 12.0;
    QTest::newRow("decimal point") << "11.5" << 11.5;
    QTest::newRow("decimal comma") << "11,5" << 11.5;
    QTest::newRow("blanks") << " 9 " << 9.0;
    QTest::newRow("smallest") << "1" << 1.0;
    QTest::newRow("largest") << "1638" << 1638.0;
    QTest::newRow("too small") << "0,5" << 0.0;
    QTest::newRow("too large") << "1639" << 0.0;
    QTest::newRow("negative") << "-4" << 0.0;
    QTest::newRow("text") << "velké" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestQtDialogs::pointSizeText()
{
    QFETCH(QString, text);
    QFETCH(double, size);
    QCOMPARE(parsePointSize(text), size);
    if (size > 0)
        QCOMPARE(parsePointSize(formatPointSize(size)), size);
}

// ---------------------------------------------------------------- colour dialog

void TestQtDialogs::colorDialog_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestQtDialogs::colorDialog()
{
    QFETCH(bool, ok);
    QColor preselected;
    QString title;
    ModalDriver driver({[&](QWidget *w) {
        auto *picker = qobject_cast<QColorDialog *>(w);
        if (!picker)
            return reject(w);
        preselected = picker->currentColor();
        title = picker->windowTitle();
        picker->setCurrentColor(QColor(0, 0, 255));
        clickDialogButton(picker, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    }});

    QtDialogs dialogs;
    CommonDialog cd(dialogs);
    cd.Flags = 1;
    cd.Color = QColor(255, 0, 0);
    cd.ShowColor();

    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QCOMPARE(preselected, QColor(255, 0, 0));
    QCOMPARE(title, QStringLiteral("Barvy"));
    QCOMPARE(cd.Color, ok ? QColor(0, 0, 255) : QColor(255, 0, 0));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
