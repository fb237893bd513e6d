// Every way a save can fail leaves the previous file byte for byte and no
// temporary file behind.

#include "platform/atomicwrite.h"
#include "platform/controlerror.h"
#include "platform/richtextbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace borovka;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entries(const QString &dir)
{
    QStringList e = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    e.sort();
    return e;
}

} // namespace

class tst_AtomicWrite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void faults_data();
    void faults();
    void replacesAndKeepsPermissions();
    void followsLinks();
    void pathsAsUsersMakeThem_data();
    void pathsAsUsersMakeThem();
    void nameTooLongFailsCleanly();
};

void tst_AtomicWrite::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("existing");
    for (const char *fault : {"missing folder", "read-only folder", "read-only file", "create fails",
                              "disk full at start", "disk full part-way", "flush fails", "short write at the end",
                              "sync fails", "close fails", "replace fails", "folder in the way"}) {
        QTest::addRow("%s, over a file", fault) << QString::fromLatin1(fault) << true;
        if (qstrcmp(fault, "read-only file") != 0)
            QTest::addRow("%s, new file", fault) << QString::fromLatin1(fault) << false;
    }
}

void tst_AtomicWrite::faults()
{
    QFETCH(QString, fault);
    QFETCH(bool, existing);
    QTemporaryDir dir;
    QString target = dir.filePath(QStringLiteral("clanek.kln"));
    const QByteArray previous = "{\\rtf1 the previous article}";
    // Several chunks, so "part-way" really is part-way.
    const QByteArray next = QByteArray(3 * 1024 * 1024 + 17, 'x');
    if (existing && fault != QLatin1String("folder in the way")) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(previous);
    }

    WriteFaults faults;
    if (fault == QLatin1String("missing folder"))
        target = dir.filePath(QStringLiteral("chybi/clanek.kln"));
    else if (fault == QLatin1String("read-only folder"))
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    else if (fault == QLatin1String("read-only file"))
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    else if (fault == QLatin1String("create fails"))
        faults.failCreate = true;
    else if (fault == QLatin1String("disk full at start"))
        faults.diskFullAfter = 0;
    else if (fault == QLatin1String("disk full part-way"))
        faults.diskFullAfter = 1024 * 1024 + 5;
    else if (fault == QLatin1String("flush fails"))
        faults.failFlush = true;
    else if (fault == QLatin1String("short write at the end"))
        faults.shortWriteAtEnd = true;
    else if (fault == QLatin1String("sync fails"))
        faults.failSync = true;
    else if (fault == QLatin1String("close fails"))
        faults.failClose = true;
    else if (fault == QLatin1String("replace fails"))
        faults.failReplace = true;
    else if (fault == QLatin1String("folder in the way"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("clanek.kln")));

    const QStringList before = entries(dir.path());
    try {
        writeFileAtomically(target, next, &faults);
        QFAIL("the write should have failed");
    } catch (const ControlError &e) {
        QVERIFY(e.description().contains(QStringLiteral("clanek.kln")));
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(entries(dir.path()), before);
    if (existing && fault != QLatin1String("missing folder") && fault != QLatin1String("folder in the way"))
        QCOMPARE(readAll(target), previous);
}

void tst_AtomicWrite::replacesAndKeepsPermissions()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("clanek.kln"));
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old old old old");
    }
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::WriteGroup;
    QFile::setPermissions(target, perms);
    writeFileAtomically(target, "new");
    QCOMPARE(readAll(target), QByteArray("new"));
    QCOMPARE(QFile::permissions(target) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser), perms);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("clanek.kln")});
}

void tst_AtomicWrite::followsLinks()
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.kln"));
    const QString link = dir.filePath(QStringLiteral("link.kln"));
    {
        QFile f(real);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QVERIFY(QFile::link(real, link));
    writeFileAtomically(link, "new");
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), QByteArray("new"));
}

void tst_AtomicWrite::pathsAsUsersMakeThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("czech letters") << QStringLiteral("Příliš žluťoučký kůň.kln");
    QTest::newRow("spaces") << QStringLiteral("můj  článek  .kln");
    QTest::newRow("long name") << QString(200, QLatin1Char('a')) + QStringLiteral(".kln");
    QTest::newRow("leading dash") << QStringLiteral("-n.kln");
}

void tst_AtomicWrite::pathsAsUsersMakeThem()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString target = dir.filePath(name);
    RichTextBox box;
    box.setPlainText(QStringLiteral("Obsah článku"));
    box.SaveFile(target);
    QCOMPARE(entries(dir.path()), QStringList{name});
    RichTextBox reader;
    reader.setFileName(target);
    QCOMPARE(reader.toPlainText(), QStringLiteral("Obsah článku"));
}

void tst_AtomicWrite::nameTooLongFailsCleanly()
{
    QTemporaryDir dir;
    // Past the file system's 255 bytes for one name.
    const QString target = dir.filePath(QString(130, QChar(0x10D)) + QStringLiteral(".kln"));
    QVERIFY_THROWS_EXCEPTION(ControlError, writeFileAtomically(target, "obsah"));
    QCOMPARE(entries(dir.path()), QStringList());
}

QTEST_MAIN(tst_AtomicWrite)
#include "tst_atomicwrite.moc"
