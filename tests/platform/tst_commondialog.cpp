// The dialog object's memory: values kept between uses, untouched by a
// cancel, and the default extension added to typed names.

#include "platform/commondialog.h"
#include "platform/scripteddialogs.h"

#include <QTest>

using namespace borovka;
using Kind = ScriptedDialogs::Kind;

class tst_CommonDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initialValues();
    void cancelKeepsEveryValue_data();
    void cancelKeepsEveryValue();
    void fontOkThenCancelKeepsTheOk();
    void colourIsSharedByFontAndColourDialogs();
    void defaultExtension_data();
    void defaultExtension();
    void unexpectedDialogIsReported();
};

void tst_CommonDialog::initialValues()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs);
    QCOMPARE(dialog.Flags, 0);
    QVERIFY(dialog.FontName.isEmpty());
    QCOMPARE(dialog.FontSize, 8.0);
    QVERIFY(!dialog.FontBold && !dialog.FontItalic && !dialog.FontUnderline && !dialog.FontStrikethru);
    QCOMPARE(dialog.MaxFileSize, 260);
}

void tst_CommonDialog::cancelKeepsEveryValue_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("open") << Kind::Open;
    QTest::newRow("save") << Kind::Save;
    QTest::newRow("font") << Kind::Font;
    QTest::newRow("colour") << Kind::Color;
}

void tst_CommonDialog::cancelKeepsEveryValue()
{
    QFETCH(Kind, kind);
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs);
    dialog.DialogTitle = QStringLiteral("Uložení souboru...");
    dialog.DefaultExt = QStringLiteral("kln");
    dialog.FileName = QStringLiteral("*.kln");
    dialog.FontName = QStringLiteral("Arial");
    dialog.Color = QColor(10, 20, 30);
    const DialogValues before = dialog;

    dialogs.cancel(kind);
    switch (kind) {
    case Kind::Open: dialog.ShowOpen(); break;
    case Kind::Save: dialog.ShowSave(); break;
    case Kind::Font: dialog.ShowFont(); break;
    case Kind::Color: dialog.ShowColor(); break;
    case Kind::Message: break;
    }
    QCOMPARE(static_cast<const DialogValues &>(dialog), before);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown.first().kind, kind);
    QCOMPARE(dialogs.problems(), QStringList());
}

void tst_CommonDialog::fontOkThenCancelKeepsTheOk()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs);
    dialogs.accept(Kind::Font, [](DialogValues &v) {
        v.FontName = QStringLiteral("Arial");
        v.FontSize = 14;
        v.FontBold = true;
    });
    dialogs.cancel(Kind::Font);
    dialogs.cancel(Kind::Font);
    dialog.ShowFont();
    dialog.ShowFont();
    dialog.ShowFont();
    // The third dialog opened with the values of the first one's OK.
    QCOMPARE(dialogs.shown.at(2).values.FontName, QStringLiteral("Arial"));
    QCOMPARE(dialogs.shown.at(2).values.FontSize, 14.0);
    QVERIFY(dialogs.shown.at(2).values.FontBold);
    QCOMPARE(dialog.FontName, QStringLiteral("Arial"));
}

void tst_CommonDialog::colourIsSharedByFontAndColourDialogs()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs);
    dialogs.accept(Kind::Color, [](DialogValues &v) { v.Color = QColor(255, 0, 0); });
    dialogs.accept(Kind::Font, [](DialogValues &v) { v.FontSize = 20; });
    dialog.ShowColor();
    dialog.ShowFont();
    QCOMPARE(dialogs.shown.at(1).values.Color, QColor(255, 0, 0));
    QCOMPARE(dialog.Color, QColor(255, 0, 0));
    QCOMPARE(dialog.FontSize, 20.0);
}

void tst_CommonDialog::defaultExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("defaultExt");
    QTest::addColumn<QString>("result");
    QTest::newRow("no extension") << "/home/pisatel/clanek" << "kln" << "/home/pisatel/clanek.kln";
    QTest::newRow("own extension") << "/home/pisatel/clanek.txt" << "kln" << "/home/pisatel/clanek.txt";
    QTest::newRow("dot in a folder name only") << "/home/p.novak/clanek" << "kln" << "/home/p.novak/clanek.kln";
    QTest::newRow("no default") << "/tmp/clanek" << "" << "/tmp/clanek";
}

void tst_CommonDialog::defaultExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, defaultExt);
    QFETCH(QString, result);
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs);
    dialog.DefaultExt = defaultExt;
    dialogs.acceptFile(Kind::Save, typed);
    dialog.ShowSave();
    QCOMPARE(dialog.FileName, result);
}

void tst_CommonDialog::unexpectedDialogIsReported()
{
    ScriptedDialogs dialogs;
    CommonDialog dialog(dialogs);
    dialogs.answer(MsgBox::Yes);
    dialog.ShowOpen(); // the script expected a message box
    QCOMPARE(dialogs.problems().size(), 1);
    QCOMPARE(dialogs.messageBox(QStringLiteral("?"), MsgBox::YesNo, QStringLiteral("t")), MsgBox::Cancel);
    QCOMPARE(dialogs.problems().size(), 2);
}

QTEST_MAIN(tst_CommonDialog)
#include "tst_commondialog.moc"
