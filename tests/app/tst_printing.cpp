// Printing: Ctrl+P opens Qt's print dialog, the printed pages hold the text
// on A4, and a printer that fails is reported without touching the document.

#include "modaldriver.h"
#include "app/mainwindow.h"
#include "app/printing.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace borovka;
using namespace borovka::testing;

class tst_Printing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void ctrlPOpensThePrintDialog();
    void printsTheText_data();
    void printsTheText();
    void documentsPage();
    void failingPrinterIsReported();

private:
    static QString run(const QString &tool, const QStringList &args)
    {
        QProcess p;
        p.start(tool, args);
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Main> m_main;
};

void tst_Printing::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_main = std::make_unique<Main>(*m_dialogs);
    QVERIFY(m_main->Form_Load(QString(), QSize(12000, 9000)));
    m_main->Rich1->setPlainText(QStringLiteral("Příliš žluťoučký kůň\nDruhý odstavec"));
    m_main->files.stav = Stav::Named;
}

void tst_Printing::cleanup()
{
    QCOMPARE(m_dialogs->problems(), QStringList());
    QCOMPARE(m_dialogs->pending(), 0);
    m_main.reset();
    m_dialogs.reset();
}

void tst_Printing::ctrlPOpensThePrintDialog()
{
    m_main->showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    bool wasPrintDialog = false;
    ModalDriver driver({[&](QWidget *w) {
        wasPrintDialog = qobject_cast<QPrintDialog *>(w) != nullptr;
        reject(w);
    }});
    QTest::keyClick(m_main->Rich1, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(!driver.timedOut());
    QCOMPARE(driver.stepsRun(), 1);
    QVERIFY(wasPrintDialog);
    QCOMPARE(m_main->Rich1->toPlainText(), QStringLiteral("Příliš žluťoučký kůň\nDruhý odstavec"));
    QCOMPARE(int(m_main->files.stav), 3);
}

void tst_Printing::printsTheText_data()
{
    QTest::addColumn<bool>("selectionOnly");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole document") << false << "Příliš žluťoučký kůň\nDruhý odstavec";
    QTest::newRow("selection") << true << "Druhý odstavec";
}

void tst_Printing::printsTheText()
{
    QFETCH(bool, selectionOnly);
    QFETCH(QString, expected);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("poppler-utils is not installed");
    QTextCursor c = m_main->Rich1->textCursor();
    c.setPosition(21);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    m_main->Rich1->setTextCursor(c);

    const QString file = m_dir.filePath(QStringLiteral("tisk.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter));
    if (selectionOnly)
        printer.setPrintRange(QPrinter::Selection);
    QVERIFY(m_main->printing->printTo(printer));
    QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                                                     QStringLiteral("-")});
    text.remove(QChar(0x0C));
    QCOMPARE(text.trimmed(), expected);
    QVERIFY(run(QStringLiteral("pdfinfo"), {file}).contains(QStringLiteral("(A4)")));
}

void tst_Printing::documentsPage()
{
    // Letter, lying, one-inch margins: what the file says is what is printed.
    m_main->Rich1->setTextRTF(QByteArrayView("{\\rtf1\\ansi\\paperw15840\\paperh12240\\margl1440\\margr1440"
                                             "\\margt1440\\margb1440\\landscape\\pard Na sirku\\par}"));
    const QString file = m_dir.filePath(QStringLiteral("letter.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    m_main->printing->setUpPage(printer);
    const QPageLayout layout = printer.pageLayout();
    QCOMPARE(layout.orientation(), QPageLayout::Landscape);
    QCOMPARE(layout.fullRect(QPageLayout::Point).size().toSize(), QSize(792, 612));
    QCOMPARE(layout.margins(QPageLayout::Point).toMargins(), QMargins(72, 72, 72, 72));
    QVERIFY(m_main->printing->printTo(printer));
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        QSKIP("poppler-utils is not installed");
    const QString info = run(QStringLiteral("pdfinfo"), {file});
    QVERIFY2(info.contains(QStringLiteral("792 x 612 pts")), qPrintable(info));

    // Without a page of its own, the document is printed on A4.
    m_main->Rich1->setTextRTF(QByteArrayView("{\\rtf1\\ansi\\pard A\\par}"));
    QPrinter a4(QPrinter::HighResolution);
    m_main->printing->setUpPage(a4);
    QCOMPARE(a4.pageLayout().pageSize().id(), QPageSize::A4);
    QCOMPARE(a4.pageLayout().orientation(), QPageLayout::Portrait);
    QVERIFY(qAbs(a4.pageLayout().margins(QPageLayout::Millimeter).left() - 25) < 0.1);
}

void tst_Printing::failingPrinterIsReported()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("chybí/tisk.pdf")));
    m_dialogs->answer(MsgBox::Ok);
    QVERIFY(!m_main->printing->printTo(printer));
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->shown.first().title, QStringLiteral("Tisk"));
    QCOMPARE(m_dialogs->shown.first().buttons, MsgBox::OkOnly);
    QCOMPARE(m_main->Rich1->toPlainText(), QStringLiteral("Příliš žluťoučký kůň\nDruhý odstavec"));
    QCOMPARE(int(m_main->files.stav), 3);
}

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
