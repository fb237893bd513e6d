// A writer's road through the real Qt dialogs: type, F2, the save dialog,
// the file on disk and the caption; more typing, closing, the question.

#include "modaldriver.h"
#include "app/mainwindow.h"
#include "platform/qtdialogs.h"
#include "platform/richtextbox.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>

using namespace borovka;
using namespace borovka::testing;

class tst_EndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typeSaveReopen();
    void failedSaveIsReported();
};

void tst_EndToEnd::typeSaveReopen()
{
    QTemporaryDir dir;
    QtDialogs dialogs;
    Main main(dialogs);
    dialogs.setParent(&main);
    QVERIFY(main.Form_Load(QString(), QSize(15360, 11520)));
    main.showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(&main));

    QTest::keyClicks(main.Rich1, QStringLiteral("Prvni clanek"));
    QCOMPARE(int(main.files.stav), 2);

    // F2 in an unnamed changed document asks for a name.
    QString title;
    {
        ModalDriver driver({[&](QWidget *w) {
            auto *fd = qobject_cast<QFileDialog *>(w);
            if (!fd || !nameEdit(fd))
                return reject(w);
            title = fd->windowTitle();
            fd->setDirectory(dir.path());
            nameEdit(fd)->setText(QStringLiteral("clanek"));
            clickDialogButton(fd, QDialogButtonBox::Save);
        }});
        QTest::keyClick(main.Rich1, Qt::Key_F2);
        QVERIFY(!driver.timedOut());
        QCOMPARE(driver.stepsRun(), 1);
    }
    const QString saved = QDir(dir.path()).absoluteFilePath(QStringLiteral("clanek.kln"));
    QCOMPARE(title, QStringLiteral("Uložení souboru..."));
    QVERIFY(QFile::exists(saved));
    QCOMPARE(main.windowTitle(), QStringLiteral("Borovka Editor - ") + saved);
    QCOMPARE(int(main.files.stav), 3);

    // More typing, then closing: the question, answered Yes, saves to the same file.
    QTest::keyClicks(main.Rich1, QStringLiteral(" a dalsi"));
    QCOMPARE(int(main.files.stav), 1);
    QString question;
    {
        ModalDriver driver({[&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return reject(w);
            question = box->text();
            box->button(QMessageBox::Yes)->click();
        }});
        QVERIFY(main.close());
        QVERIFY(!driver.timedOut());
    }
    QCOMPARE(question, QStringLiteral("Dokumet byl od posledního uložení změněn. Chceš tyto změny uložit?"));

    RichTextBox reader;
    reader.setFileName(saved);
    QCOMPARE(reader.toPlainText(), QStringLiteral("Prvni clanek a dalsi"));
}

// F2 on a document whose file became read-only: the real message box says
// so, and the document stays marked as changed.
void tst_EndToEnd::failedSaveIsReported()
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).absoluteFilePath(QStringLiteral("clanek.kln"));
    {
        RichTextBox writer;
        writer.setPlainText(QStringLiteral("Puvodni text"));
        writer.SaveFile(path);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QtDialogs dialogs;
    Main main(dialogs);
    dialogs.setParent(&main);
    QVERIFY(main.Form_Load(path, QSize(15360, 11520)));
    main.showAtStart();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    const QString caption = main.windowTitle();
    QTest::keyClicks(main.Rich1, QStringLiteral("Novy "));
    QCOMPARE(int(main.files.stav), 1);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    QString text, title;
    QList<QMessageBox::StandardButton> buttons;
    {
        ModalDriver driver({[&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return reject(w);
            text = box->text();
            title = box->windowTitle();
            for (QAbstractButton *b : box->buttons())
                buttons << box->standardButton(b);
            box->button(QMessageBox::Ok)->click();
        }});
        QTest::keyClick(main.Rich1, Qt::Key_F2);
        QVERIFY(!driver.timedOut());
        QCOMPARE(driver.stepsRun(), 1);
    }
    QCOMPARE(title, QStringLiteral("Operace přerušena"));
    QVERIFY2(text.startsWith(QStringLiteral("Operace přerušena !!\nchyba: ")) && text.contains(QStringLiteral("clanek.kln")),
             qPrintable(text));
    QCOMPARE(buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    QCOMPARE(int(main.files.stav), 1);
    QCOMPARE(main.windowTitle(), caption);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();

    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    main.files.stav = Stav::Named; // close without the question
    main.close();
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
