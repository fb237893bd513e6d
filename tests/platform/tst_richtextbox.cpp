// The editing area's contract: tri-state selection reads, insertion-point
// writes, alignment codes, synchronous Change, and safe loads and saves.

#include "docfacts.h"
#include "selection.h"
#include "model/lists.h"
#include "model/pictures.h"
#include "model/plaintext.h"
#include "platform/controlerror.h"
#include "platform/richtextbox.h"
#include "rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextList>

using namespace borovka;
using namespace borovka::testing;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace


class tst_RichTextBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noteTooltip();
    void typingAfterMarksAndPieces_data();
    void typingAfterMarksAndPieces();
    void flagReads_data();
    void flagReads();
    void flagWriteAtInsertionPoint_data();
    void flagWriteAtInsertionPoint();
    void sizeReadsNullWhenMixed();
    void stepSizeKeepsProportionsAndLimits_data();
    void stepSizeKeepsProportionsAndLimits();
    void emptyFontNameKeepsFace();
    void alignmentCodes_data();
    void alignmentCodes();
    void changeIsSynchronous_data();
    void changeIsSynchronous();
    void failedLoadKeepsContent_data();
    void failedLoadKeepsContent();
    void plainTextFilesLoad_data();
    void plainTextFilesLoad();
    void saveRefusesWildcards_data();
    void saveRefusesWildcards();
    void failedSaveKeepsExistingFile();
    void saveReplacesAtomically();
    void plainTextSave();
    void emptyTextRtfEmptiesDocument();
    void savedFileLoadsWithItsFormatting();
    void formatInTableCell_data();
    void formatInTableCell();
    // lists and paste
    void pasteSavesAsShown_data();
    void pasteSavesAsShown();
    void copyPastesThroughRtf();
    void enterContinuesList();
};

// "plain bold plain": characters 6..10 are bold, and likewise for each style.
void tst_RichTextBox::flagReads_data()
{
    QTest::addColumn<Style>("flag");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 null

    const std::pair<const char *, Style> flags[] = {
        {"bold", Style::Bold}, {"italic", Style::Italic},
        {"underline", Style::Underline}, {"strike", Style::StrikeThru}};
    for (const auto &[name, flag] : flags) {
        QTest::addRow("%s: whole styled run", name) << flag << 6 << 10 << 1;
        QTest::addRow("%s: part of styled run", name) << flag << 7 << 9 << 1;
        QTest::addRow("%s: unstyled run", name) << flag << 0 << 5 << 0;
        QTest::addRow("%s: mixed", name) << flag << 3 << 8 << -1;
        QTest::addRow("%s: everything", name) << flag << 0 << 16 << -1;
        QTest::addRow("%s: insertion point inside styled", name) << flag << 8 << 8 << 1;
        QTest::addRow("%s: insertion point inside plain", name) << flag << 2 << 2 << 0;
    }
}

void tst_RichTextBox::flagReads()
{
    QFETCH(Style, flag);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, expected);

    RichTextBox box;
    box.setPlainText(QStringLiteral("plain bold plain"));
    select(box, 6, 10);
    writeStyle(box, flag, true);
    select(box, start, end);
    const std::optional<bool> value = readStyle(box, flag);
    if (expected < 0)
        QVERIFY2(!value.has_value(), "a mixed selection reads as null");
    else
        QCOMPARE(value, std::optional<bool>(expected == 1));
}

void tst_RichTextBox::flagWriteAtInsertionPoint_data()
{
    QTest::addColumn<Style>("flag");
    QTest::newRow("bold") << Style::Bold;
    QTest::newRow("italic") << Style::Italic;
    QTest::newRow("underline") << Style::Underline;
    QTest::newRow("strike") << Style::StrikeThru;
}

void tst_RichTextBox::flagWriteAtInsertionPoint()
{
    QFETCH(Style, flag);
    RichTextBox box;
    box.setPlainText(QStringLiteral("abc"));
    select(box, 3, 3);
    writeStyle(box, flag, true);
    QCOMPARE(readStyle(box, flag), std::optional<bool>(true));
    QTest::keyClicks(&box, QStringLiteral("xy"));
    QCOMPARE(box.toPlainText(), QStringLiteral("abcxy"));
    select(box, 3, 5);
    QCOMPARE(readStyle(box, flag), std::optional<bool>(true));
    select(box, 0, 3);
    QCOMPARE(readStyle(box, flag), std::optional<bool>(false));
    // The other styles of the typed text stay off.
    select(box, 3, 5);
    for (Style other : {Style::Bold, Style::Italic, Style::Underline, Style::StrikeThru})
        if (other != flag)
            QCOMPARE(readStyle(box, other), std::optional<bool>(false));
}

void tst_RichTextBox::sizeReadsNullWhenMixed()
{
    RichTextBox box;
    box.setPlainText(QStringLiteral("small big"));
    select(box, 6, 9);
    box.setSelFontSize(20);
    QCOMPARE(box.SelFontSize(), std::optional<double>(20));
    select(box, 0, 5);
    QCOMPARE(box.SelFontSize(), std::optional<double>(11.25));
    select(box, 0, 9);
    QVERIFY(!box.SelFontSize().has_value());
}

void tst_RichTextBox::stepSizeKeepsProportionsAndLimits_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<double>("delta");
    QTest::addColumn<double>("firstAfter");
    QTest::addColumn<double>("secondAfter");
    QTest::newRow("mixed up") << 10.0 << 20.5 << 4.0 << 14.0 << 24.5;
    QTest::newRow("mixed down") << 10.0 << 20.5 << -4.0 << 6.0 << 16.5;
    QTest::newRow("lower limit") << 3.0 << 11.5 << -4.0 << RichTextBox::MinFontSize << 7.5;
    QTest::newRow("upper limit") << 1636.0 << 12.0 << 4.0 << RichTextBox::MaxFontSize << 16.0;
}

void tst_RichTextBox::stepSizeKeepsProportionsAndLimits()
{
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(double, delta);
    QFETCH(double, firstAfter);
    QFETCH(double, secondAfter);
    RichTextBox box;
    box.setPlainText(QStringLiteral("aaaa bbbb"));
    select(box, 0, 5);
    box.setSelFontSize(first);
    select(box, 5, 9);
    box.setSelFontSize(second);
    select(box, 0, 9);
    QSignalSpy changes(&box, &RichTextBox::Change);
    box.stepSelFontSize(delta);
    QCOMPARE(changes.count(), 1);
    select(box, 0, 5);
    QCOMPARE(box.SelFontSize(), std::optional<double>(firstAfter));
    select(box, 5, 9);
    QCOMPARE(box.SelFontSize(), std::optional<double>(secondAfter));
    // A single undo restores both runs.
    box.undo();
    select(box, 0, 5);
    QCOMPARE(box.SelFontSize(), std::optional<double>(first));
}

void tst_RichTextBox::emptyFontNameKeepsFace()
{
    RichTextBox box;
    box.setPlainText(QStringLiteral("text"));
    select(box, 0, 4);
    box.setSelFontName(QStringLiteral("Liberation Serif"));
    box.setSelFontName(QString());
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Liberation Serif")));
}

void tst_RichTextBox::alignmentCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QList<int>>("expected"); // per paragraph; -1 untouched
    // Paragraphs "one" 0..3, "two" 4..7, "three" 8..13.
    QTest::newRow("right across a partial first and last") << Align::Right << 2 << 9 << QList<int>{1, 1, 1};
    QTest::newRow("centre at the insertion point") << Align::Center << 5 << 5 << QList<int>{-1, 2, -1};
    QTest::newRow("left on the last paragraph") << Align::Left << 10 << 13 << QList<int>{-1, -1, 0};
}

void tst_RichTextBox::alignmentCodes()
{
    QFETCH(int, code);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QList<int>, expected);
    RichTextBox box;
    box.setPlainText(QStringLiteral("one\ntwo\nthree"));
    // Start from justified text so every write is visible, left included.
    select(box, 0, 13);
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    box.textCursor().mergeBlockFormat(justified);

    select(box, start, end);
    box.setSelAlignment(code);
    QCOMPARE(box.SelAlignment(), std::optional<int>(code));
    box.setSelAlignment(code); // twice is the same as once
    QTextBlock block = box.document()->begin();
    for (int want : expected) {
        if (want < 0)
            QCOMPARE(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
        else
            QCOMPARE(int(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask),
                     int(want == Align::Right ? Qt::AlignRight : want == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft));
        block = block.next();
    }
}

void tst_RichTextBox::changeIsSynchronous_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("changes");
    QTest::newRow("typing") << "type" << true;
    QTest::newRow("empty TextRTF") << "emptyRtf" << true;
    QTest::newRow("load a file") << "load" << true;
    QTest::newRow("format the selection") << "formatSelection" << true;
    QTest::newRow("align a paragraph") << "align" << true;
    QTest::newRow("format the insertion point") << "formatCaret" << false;
    QTest::newRow("save") << "save" << false;
    QTest::newRow("failed load") << "failedLoad" << false;
}

void tst_RichTextBox::changeIsSynchronous()
{
    QFETCH(QString, action);
    QFETCH(bool, changes);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.txt"));
    writeBytes(file, "obsah");

    RichTextBox box;
    box.setPlainText(QStringLiteral("some text"));
    select(box, 0, 4);
    int count = 0;
    connect(&box, &RichTextBox::Change, this, [&count] { ++count; });

    if (action == QLatin1String("type"))
        QTest::keyClicks(&box, QStringLiteral("x"));
    else if (action == QLatin1String("emptyRtf"))
        box.setTextRTF({});
    else if (action == QLatin1String("load"))
        box.setFileName(file);
    else if (action == QLatin1String("formatSelection"))
        box.setSelItalic(true);
    else if (action == QLatin1String("align"))
        box.setSelAlignment(Align::Center);
    else if (action == QLatin1String("formatCaret")) {
        select(box, 2, 2);
        box.setSelBold(true);
    } else if (action == QLatin1String("save"))
        box.SaveFile(dir.filePath(QStringLiteral("b.kln")));
    else if (action == QLatin1String("failedLoad"))
        QVERIFY_THROWS_EXCEPTION(ControlError, box.setFileName(dir.filePath(QStringLiteral("none"))));
    // Counted before returning to any event loop: the handler ran inside the call.
    QCOMPARE(count > 0, changes);
}

void tst_RichTextBox::failedLoadKeepsContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.kln";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a pattern") << "*.kln";
    QTest::newRow("empty name") << "";
}

void tst_RichTextBox::failedLoadKeepsContent()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("folder"));
    RichTextBox box;
    box.setPlainText(QStringLiteral("keep me"));
    select(box, 0, 4);
    box.setSelBold(true);
    const QByteArray before = box.TextRTF();
    try {
        box.setFileName(name.isEmpty() ? QString() : dir.filePath(name));
        QFAIL("the load should have failed");
    } catch (const ControlError &e) {
        QVERIFY(!e.description().isEmpty());
    }
    QCOMPARE(box.toPlainText(), QStringLiteral("keep me"));
    QCOMPARE(box.TextRTF(), before);
}

void tst_RichTextBox::plainTextFilesLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8") << QByteArray("\xc4\x8d\xc5\x99\xc4\x9b") << QStringLiteral("čřě");
    QTest::newRow("utf-8 with bom") << QByteArray("\xef\xbb\xbf\xc5\xbe") << QStringLiteral("ž");
    QTest::newRow("windows-1250") << QByteArray("\xe8\xf8\xec \x9e") << QStringLiteral("čřě ž");
    QTest::newRow("empty") << QByteArray() << QString();
}

void tst_RichTextBox::plainTextFilesLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("note.txt"));
    writeBytes(file, bytes);
    RichTextBox box;
    box.setPlainText(QStringLiteral("old"));
    box.setFileName(file);
    QCOMPARE(box.toPlainText(), text);
    QCOMPARE(box.FileName(), file);
}

void tst_RichTextBox::saveRefusesWildcards_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::newRow("the dialog's pattern") << "*.kln" << FileFormat::Rtf;
    QTest::newRow("question mark") << "a?.txt" << FileFormat::Text;
    QTest::newRow("empty") << "" << FileFormat::Rtf;
}

void tst_RichTextBox::saveRefusesWildcards()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QTemporaryDir dir;
    RichTextBox box;
    box.setPlainText(QStringLiteral("text"));
    const QString target = name.isEmpty() ? QString() : dir.filePath(name);
    QVERIFY_THROWS_EXCEPTION(ControlError, box.SaveFile(target, format));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

void tst_RichTextBox::failedSaveKeepsExistingFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("clanek.kln"));
    writeBytes(target, "{\\rtf1 previous}");
    RichTextBox box;
    box.setPlainText(QStringLiteral("new"));

    // A folder standing where the file should be written.
    const QString folder = dir.filePath(QStringLiteral("slozka.kln"));
    QDir(dir.path()).mkdir(QStringLiteral("slozka.kln"));
    QVERIFY_THROWS_EXCEPTION(ControlError, box.SaveFile(folder));
    QVERIFY(QFileInfo(folder).isDir());

    // A missing folder.
    QVERIFY_THROWS_EXCEPTION(ControlError, box.SaveFile(dir.filePath(QStringLiteral("no/such.kln"))));

    QCOMPARE(fileBytes(target), QByteArray("{\\rtf1 previous}"));
    QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, QStringList{QStringLiteral("clanek.kln")});
}

void tst_RichTextBox::saveReplacesAtomically()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("clanek.kln"));
    writeBytes(target, "old content that is longer than the new one");
    RichTextBox box;
    box.setPlainText(QStringLiteral("nový"));
    box.SaveFile(target);
    RichTextBox reader;
    reader.setFileName(target);
    QCOMPARE(reader.toPlainText(), QStringLiteral("nový"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("clanek.kln")});
}

void tst_RichTextBox::plainTextSave()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("clanek.txt"));
    RichTextBox box;
    box.setPlainText(QStringLiteral("Příliš žluťoučký kůň\núpěl ďábelské ódy"));
    select(box, 0, 6);
    box.setSelBold(true);
    box.SaveFile(target, FileFormat::Text);
    const QByteArray bytes = fileBytes(target);
    QVERIFY(bytes.startsWith(QStringLiteral("Příliš žluťoučký kůň\núpěl ďábelské ódy").toUtf8()));
    QVERIFY(!bytes.contains('\r'));
    QVERIFY(!bytes.contains('{'));
}

void tst_RichTextBox::emptyTextRtfEmptiesDocument()
{
    RichTextBox box;
    box.setPlainText(QStringLiteral("one\ntwo"));
    box.setTextRTF({});
    QVERIFY(box.document()->isEmpty());
    QCOMPARE(box.document()->blockCount(), 1);
    // After emptying, typing uses the default font.
    QTest::keyClicks(&box, QStringLiteral("a"));
    QCOMPARE(box.SelFontName(), std::optional<QString>(RichTextBox::defaultFont().family()));
}

void tst_RichTextBox::savedFileLoadsWithItsFormatting()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("clanek.kln"));
    RichTextBox box;
    box.setPlainText(QStringLiteral("Tučný titulek\nKurzíva, podtržené a přeškrtnuté\nModrý text vpravo"));
    // RTF keeps sizes in half points; the default 11.25 would come back as 11.5.
    select(box, 0, 64);
    box.setSelFontSize(12);
    select(box, 0, 13);
    box.setSelBold(true);
    box.setSelFontSize(15.5);
    box.setSelFontName(QStringLiteral("Liberation Serif"));
    box.setSelAlignment(Align::Center);
    select(box, 14, 21);
    box.setSelItalic(true);
    select(box, 23, 32);
    box.setSelUnderline(true);
    select(box, 35, 46);
    box.setSelStrikeThru(true);
    select(box, 47, 57);
    box.setSelColor(QColor(0, 0, 255));
    box.setSelAlignment(Align::Right);
    box.SaveFile(target);

    RichTextBox loaded;
    loaded.setFileName(target);
    QCOMPARE(loaded.toPlainText(), box.toPlainText());
    // Every character's format and every paragraph's alignment as before.
    for (int pos = 0; pos < box.document()->characterCount() - 1; ++pos) {
        select(box, pos, pos + 1);
        select(loaded, pos, pos + 1);
        const QString where = QStringLiteral("at %1").arg(pos);
        QVERIFY2(loaded.SelBold() == box.SelBold(), qPrintable(where));
        QVERIFY2(loaded.SelItalic() == box.SelItalic(), qPrintable(where));
        QVERIFY2(loaded.SelUnderline() == box.SelUnderline(), qPrintable(where));
        QVERIFY2(loaded.SelStrikeThru() == box.SelStrikeThru(), qPrintable(where));
        QVERIFY2(loaded.SelFontSize() == box.SelFontSize(), qPrintable(where));
        QVERIFY2(loaded.SelFontName() == box.SelFontName(), qPrintable(where));
        QVERIFY2(loaded.SelColor() == box.SelColor(), qPrintable(where));
        QVERIFY2(loaded.SelAlignment() == box.SelAlignment(), qPrintable(where));
    }
}

// Typing and formatting inside a table cell with the existing commands:
// the cell keeps its text and format, the table its shape, through a save.
void tst_RichTextBox::formatInTableCell_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("bold") << 0;
    QTest::newRow("size") << 1;
    QTest::newRow("alignment") << 2;
}

void tst_RichTextBox::formatInTableCell()
{
    QFETCH(int, command);
    RichTextBox box;
    box.setTextRTF("{\\rtf1\\ansi\\trowd\\cellx2000\\cellx4000\\pard\\intbl jedna\\cell dva\\cell\\row"
                   "\\trowd\\cellx2000\\cellx4000\\pard\\intbl t\\'f8i\\cell \\cell\\row\\pard konec\\par}");
    QTextTable *table = nullptr;
    for (QTextFrame *f : box.document()->rootFrame()->childFrames())
        table = table ? table : qobject_cast<QTextTable *>(f);
    QVERIFY(table);
    const QTextTableCell cell = table->cellAt(0, 1);
    select(box, cell.firstPosition(), cell.lastPosition());
    switch (command) {
    case 0: box.setSelBold(true); break;
    case 1: box.setSelFontSize(20); break;
    default: box.setSelAlignment(2); break;
    }
    // Typing in the empty cell.
    QTextCursor typing(box.document());
    typing.setPosition(table->cellAt(1, 1).firstPosition());
    box.setTextCursor(typing);
    QTest::keyClicks(&box, QStringLiteral("ctyri"));

    RichTextBox loaded;
    loaded.setTextRTF(box.TextRTF());
    QTextTable *back = nullptr;
    for (QTextFrame *f : loaded.document()->rootFrame()->childFrames())
        back = back ? back : qobject_cast<QTextTable *>(f);
    QVERIFY(back);
    QCOMPARE(back->rows(), 2);
    QCOMPARE(back->columns(), 2);
    const QTextTableCell formatted = back->cellAt(0, 1);
    QCOMPARE(loaded.document()->findBlock(formatted.firstPosition()).text(), QStringLiteral("dva"));
    QCOMPARE(loaded.document()->findBlock(back->cellAt(1, 1).firstPosition()).text(), QStringLiteral("ctyri"));
    QCOMPARE(loaded.document()->findBlock(back->cellAt(0, 0).firstPosition()).text(), QStringLiteral("jedna"));
    select(loaded, formatted.firstPosition(), formatted.lastPosition());
    switch (command) {
    case 0: QCOMPARE(loaded.SelBold(), std::optional<bool>(true)); break;
    case 1: QCOMPARE(loaded.SelFontSize(), std::optional<double>(20.0)); break;
    default: QCOMPARE(loaded.SelAlignment(), std::optional<int>(2)); break;
    }
}

namespace {

// Per paragraph: text, list level and label, margin, heading level, links;
// then each table's shape and merged cells.
QStringList structureOf(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QString line = b.text();
        if (const QTextList *list = b.textList())
            line += QStringLiteral(" |%1 %2").arg(list->format().indent()).arg(model::listLabel(b));
        if (const double margin = b.blockFormat().leftMargin() + b.blockFormat().indent() * doc.indentWidth(); margin != 0)
            line += QStringLiteral(" |margin %1").arg(margin);
        if (b.blockFormat().headingLevel())
            line += QStringLiteral(" |h%1 %2pt").arg(b.blockFormat().headingLevel()).arg(b.begin().fragment().charFormat().fontPointSize());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                line += QStringLiteral(" @") + it.fragment().charFormat().anchorHref();
        }
        out << line;
    }
    docfacts::tableFacts(doc.rootFrame(), out);
    return out;
}

} // namespace

void tst_RichTextBox::pasteSavesAsShown_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("shown");
    const QByteArray html = "<h1>Titulek</h1><ul><li>a<ul><li>b</li></ul></li></ul><ol><li>x</li></ol><hr><p>konec</p>";
    QTest::newRow("html") << "text/html" << html
                          << QStringList{"Titulek |h1 22.5pt", "a |1 \u2022", "b |2 \u2022", "x |1 1.", "", "konec"};
    const QByteArray rtf = "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc4{\\leveltext\\'02\\'00);}}\\listid1}}"
                           "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}\\ls1{\\listtext a)\\tab}jedna\\par"
                           "{\\listtext b)\\tab}dva\\par}";
    QTest::newRow("rtf") << "text/rtf" << rtf << QStringList{"jedna |1 a)", "dva |1 b)"};
    QTest::newRow("heading at the body's size") << "text/html" << QByteArray("<h6>Malý</h6><p>text</p>")
                                                 << QStringList{"Malý |h6 11.5pt", "text"};
    QTest::newRow("link to # alone") << "text/html"
                                     << QByteArray("<p><a href=\"#\">Nahoru</a> <a href=\"https://example.org/\">web</a></p>")
                                     << QStringList{"Nahoru web @https://example.org/"};
    QTest::newRow("list without markers")
        << "text/html"
        << QByteArray("<ul style=\"list-style-type:none\"><li>Domů</li><li>Obce<ul style=\"list-style-type:none\">"
                      "<li>Brno</li></ul></li></ul><p>text</p>")
        << QStringList{"Domů", "Obce", "Brno |margin 40", "text"};
    QTest::newRow("spans in a nested table")
        << "text/html"
        << QByteArray("<table><tr><td><table><tr><td colspan=\"2\">Kraje</td></tr><tr><td rowspan=\"2\">Obce</td>"
                      "<td>Brno</td></tr><tr><td>Jihlava</td></tr></table></td><td>obsah</td></tr></table>")
        << QStringList{"", "", "Kraje", "Obce", "Brno", "Jihlava", "", "obsah", "", "table 1x2", "table 3x2 [0,0 1x2] [1,0 2x1]"};
}

void tst_RichTextBox::pasteSavesAsShown()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, shown);
    for (QString &line : shown)
        line.replace(QStringLiteral("\\u2022"), QStringLiteral("\u2022"));
    RichTextBox box;
    auto *mime = new QMimeData;
    mime->setData(type, data);
    QApplication::clipboard()->setMimeData(mime);
    box.paste();
    QCOMPARE(structureOf(*box.document()), shown);
    RichTextBox reopened;
    reopened.setTextRTF(box.TextRTF());
    QCOMPARE(structureOf(*reopened.document()), shown);
}

void tst_RichTextBox::copyPastesThroughRtf()
{
    RichTextBox from;
    from.setTextRTF("{\\rtf1{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart4{\\pntxta .}}jedna\\par}");
    from.selectAll();
    from.copy();
    QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
    RichTextBox to;
    to.paste();
    QCOMPARE(structureOf(*to.document()).first(), QStringLiteral("jedna |1 IV."));
    // The plain text other programs take keeps no-break spaces.
    from.setTextRTF("{\\rtf1 v\\~lese\\par a\\~k\\~domu}");
    from.selectAll();
    from.copy();
    QCOMPARE(QApplication::clipboard()->mimeData()->text(), QStringLiteral("v\u00A0lese\na\u00A0k\u00A0domu"));
}

void tst_RichTextBox::enterContinuesList()
{
    RichTextBox box;
    box.setTextRTF("{\\rtf1{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}jedna}");
    box.moveCursor(QTextCursor::End);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("dva"));
    QCOMPARE(structureOf(*box.document()), (QStringList{"jedna |1 1.", "dva |1 2."}));
    // Enter in an empty item ends the list.
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Return);
    QVERIFY(!box.textCursor().block().textList());
}

// A note's text shows over its mark, and only there.
void tst_RichTextBox::noteTooltip()
{
    RichTextBox box;
    box.resize(400, 200);
    box.setTextRTF("{\\rtf1\\ansi Slovo{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Pozn\\'e1mka.} a dal\\'9a\\'ed text.\\par}");
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTextCursor c(box.document());
    auto middle = [&](int pos) {
        c.setPosition(pos);
        const QRect a = box.cursorRect(c);
        c.setPosition(pos + 1);
        const QRect b = box.cursorRect(c);
        return QPoint((a.left() + b.left()) / 2, a.center().y());
    };
    QCOMPARE(box.document()->toPlainText().mid(5, 1), QStringLiteral("1"));
    QCOMPARE(box.noteAt(middle(5)), QStringLiteral("Poznámka."));
    QCOMPARE(box.noteAt(middle(2)), QString());
    QCOMPARE(box.noteAt(middle(9)), QString());
    QCOMPARE(box.noteAt(QPoint(390, 190)), QString());
}

// Typing right after a note's mark, a kept piece or a field's result
// adds text of its own: the note, the piece and the field stay as they
// were, and the text is saved.
void tst_RichTextBox::typingAfterMarksAndPieces_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("kept"); // in what is saved, the typed text right after it
    QTest::newRow("note mark") << QByteArray("Slovo{\\super\\chftn}{\\footnote\\pard\\plain Pozn.} dal\\'9a\\'ed")
                               << 6 << QByteArray("Pozn.}");
    QTest::newRow("comment") << QByteArray("a{\\*\\atnid J}\\chatn{\\*\\annotation x} b") << 2 << QByteArray("{\\*\\annotation x}");
    QTest::newRow("field's result") << QByteArray("a{\\field{\\*\\fldinst PAGE}{\\fldrslt 12}} b") << 3 << QByteArray("12}}");
}

void tst_RichTextBox::typingAfterMarksAndPieces()
{
    QFETCH(QByteArray, body);
    QFETCH(int, position);
    QFETCH(QByteArray, kept);
    RichTextBox box;
    box.setTextRTF("{\\rtf1\\ansi " + body + "\\par}");
    QTextCursor c(box.document());
    c.setPosition(position);
    box.setTextCursor(c);
    QTest::keyClicks(&box, QStringLiteral("xyz"));
    const QByteArray out = rtf::write(*box.document());
    QVERIFY2(out.contains(kept), out.constData());
    const qsizetype at = out.indexOf(kept) + kept.size();
    QVERIFY2(out.mid(at).contains("xyz"), out.constData());
    QVERIFY2(out.mid(at, 40).contains("xyz"), out.constData()); // right after, not inside
}

QTEST_MAIN(tst_RichTextBox)
#include "tst_richtextbox.moc"
