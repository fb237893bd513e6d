// Pictures: shown where they stand, at the size the file asks for, and
// written back with the bytes and sizes they were read with.

#include "rtf/readerlimits.h"
#include "rtf/rtf.h"

#include <QBuffer>
#include <QDataStream>
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include "rtftest.h"

using namespace rtftest;

namespace {

// The image formats of the document's pictures, in order.
QList<QTextImageFormat> pictures(const QTextDocument &doc)
{
    QList<QTextImageFormat> found;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.charFormat().isImageFormat())
                continue;
            for (const QChar c : f.text()) {
                if (c == QChar::ObjectReplacementCharacter)
                    found << f.charFormat().toImageFormat();
            }
        }
    }
    return found;
}

QImage shownImage(const QTextDocument &doc, const QTextImageFormat &f)
{
    return doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
}

// The header words of each \pict group of RTF, without the data.
QStringList pictHeaders(const QByteArray &rtf)
{
    QStringList headers;
    static const QRegularExpression re(QStringLiteral(R"(\{\\pict((?:\\[a-z]+-?\d*)*))"));
    for (auto it = re.globalMatch(QString::fromLatin1(rtf)); it.hasNext();)
        headers << it.next().captured(1);
    return headers;
}

QByteArray png(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestRtfPictures : public QObject {
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();
    void goldenFilesSurviveWriteAndRead_data();
    void goldenFilesSurviveWriteAndRead();
    void writtenPictureGroup();
    void pictureDigitsInLinesOf128_data();
    void pictureDigitsInLinesOf128();
    void headerWordsWrittenBack();
    void shapes_data();
    void shapes();
    void sizeFromPicwAndScale_data();
    void sizeFromPicwAndScale();
    void resizedPictureIsWrittenAtItsNewSize();
    void identicalPicturesShareTheirImage();
    void damagedPictures_data();
    void damagedPictures();
    void hugeClaimedSizeIsNotDecoded();
    void pictureIsDrawn();
    void pictureIsOneCharacter();
    void cloneKeepsPictures();
    void pastedImageIsWrittenAsPng();
    void plainTextLeavesPicturesOut();
    void pictureCountLimit();
    void pictureSizeLimit();
};

void TestRtfPictures::goldenFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("bytesFile");
    QTest::addColumn<QByteArray>("mimeType");
    QTest::addColumn<QSizeF>("shown"); // pixels
    QTest::addColumn<bool>("decoded"); // false: a placeholder
    const QString obj(QChar::ObjectReplacementCharacter);
    QTest::newRow("png, hexadecimal, scaled goal")
        << "picture_png.rtf" << QStringLiteral("Před obrázkem %1 za obrázkem.\nDalší odstavec.").arg(obj)
        << "picture.png" << QByteArray("image/png") << QSizeF(20, 15) << true;
    QTest::newRow("jpeg, binary, picw only") << "picture_jpeg_bin.rtf" << QStringLiteral("Fotka:%1 konec.").arg(obj)
                                             << "picture.jpg" << QByteArray("image/jpeg") << QSizeF(4, 3) << true;
    QTest::newRow("emf in a shape") << "picture_emf_shape.rtf" << QStringLiteral("Graf %1 hotový.").arg(obj)
                                    << "picture.emf" << QByteArray("image/emf") << QSizeF(100, 75) << false;
    QTest::newRow("shppict preferred") << "picture_shppict_pair.rtf" << QStringLiteral("A%1B").arg(obj)
                                       << "picture.png" << QByteArray("image/png") << QSizeF(60, 45) << true;
}

void TestRtfPictures::goldenFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(QString, bytesFile);
    QFETCH(QByteArray, mimeType);
    QFETCH(QSizeF, shown);
    QFETCH(bool, decoded);

    QTextDocument doc;
    rtf::read(fixture(file), doc);
    QCOMPARE(textOf(doc), text);
    const QList<QTextImageFormat> pics = pictures(doc);
    QCOMPARE(pics.size(), 1); // twins and shape results are not read again
    const model::Picture p = model::picture(doc, pics[0]);
    QCOMPARE(p.bytes, fixture(bytesFile));
    QCOMPARE(p.mimeType, mimeType);
    QCOMPARE(QSizeF(pics[0].width(), pics[0].height()), shown);

    const QImage image = shownImage(doc, pics[0]);
    QVERIFY(!image.isNull());
    if (decoded) {
        // The test pictures are 4 by 3 with a blue first pixel.
        QCOMPARE(image.size(), QSize(4, 3));
        if (mimeType == "image/png")
            QCOMPARE(image.pixelColor(0, 0), QColor(0, 0, 255));
    } else {
        // A framed placeholder in the picture's proportions.
        QCOMPARE(image.size().width() * 3, image.size().height() * 4);
        QCOMPARE(image.pixelColor(0, 0), QColor(0x80, 0x80, 0x80));
        QCOMPARE(image.pixelColor(image.width() / 2, 1), QColor(0xF2, 0xF2, 0xF2));
    }
}

void TestRtfPictures::goldenFilesSurviveWriteAndRead_data()
{
    goldenFiles_data();
}

void TestRtfPictures::goldenFilesSurviveWriteAndRead()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(QString, bytesFile);
    QFETCH(QSizeF, shown);

    QTextDocument doc;
    rtf::read(fixture(file), doc);
    const QByteArray saved = rtf::write(doc);
    QTextDocument back;
    rtf::read(saved, back);
    QCOMPARE(textOf(back), text);
    const QList<QTextImageFormat> pics = pictures(back);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(model::picture(back, pics[0]).bytes, fixture(bytesFile));
    QCOMPARE(QSizeF(pics[0].width(), pics[0].height()), shown);
    // A second save writes the same file: nothing drifts.
    QCOMPARE(rtf::write(back), saved);
}

void TestRtfPictures::writtenPictureGroup()
{
    QTextDocument doc;
    rtf::read(fixture(QStringLiteral("picture_png.rtf")), doc);
    const QByteArray saved = rtf::write(doc);
    // Kind, the words it was read with, \picw, goal and scale as the file had them.
    QCOMPARE(pictHeaders(saved),
             QStringList(QStringLiteral("\\pngblip\\piccropl0\\piccropr0\\piccropt0\\piccropb0"
                                        "\\picw4\\pich3\\picwgoal600\\pichgoal450\\picscalex50\\picscaley50")));
    // The data in lines of 128 hexadecimal digits.
    const qsizetype start = saved.indexOf("\\picscaley50\r\n") + 14;
    const qsizetype end = saved.indexOf('}', start);
    const QList<QByteArray> lines = saved.mid(start, end - start).split('\n');
    QVERIFY(lines.size() >= 2);
    for (const QByteArray &line : lines)
        QVERIFY2(line.trimmed().size() <= 128, line.constData());
    QCOMPARE(QByteArray::fromHex(saved.mid(start, end - start)), fixture(QStringLiteral("picture.png")));
    // The shape description in \picprop is not kept.
    QVERIFY(!saved.contains("wzDescription"));
}

void TestRtfPictures::pictureDigitsInLinesOf128_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("1 byte") << 1;
    QTest::newRow("one full line") << 64;
    QTest::newRow("a line and a byte") << 65;
    // More than the writer reserves for the text: the output must grow.
    QTest::newRow("300 KB") << 300 * 1024;
}

void TestRtfPictures::pictureDigitsInLinesOf128()
{
    QFETCH(int, size);
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi P\\'f8ed {\\pict\\jpegblip\\picw8\\pich8 " + bytes.toHex() + "} za\\par Dal\\'9a\\'ed\\par}", doc);
    const QByteArray saved = rtf::write(doc);

    QByteArray digits;
    for (qsizetype i = 0; i < size; i += 64)
        digits += bytes.mid(i, 64).toHex() + "\r\n";
    const qsizetype header = saved.indexOf("{\\pict\\jpegblip");
    QVERIFY(header >= 0);
    const qsizetype start = saved.indexOf("\r\n", header) + 2;
    QCOMPARE(saved.mid(start, digits.size() + 1), digits + '}');
    // And what follows the picture is all there.
    QVERIFY(saved.indexOf("za", start + digits.size()) > 0);
    QVERIFY(saved.indexOf("Dal", start + digits.size()) > 0);
    QCOMPARE(saved.count('\0'), 0);
}

void TestRtfPictures::headerWordsWrittenBack()
{
    // Words that describe the data are kept; others have no place in a
    // picture's header and are not written into one.
    QTextDocument doc;
    rtf::read("{\\rtf1 {\\pict\\wbitmap0\\par\\b\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes12\\foo7"
              "\\picw4\\pich3\\picwgoal60\\pichgoal45 0102}}",
              doc);
    const QByteArray saved = rtf::write(doc);
    QCOMPARE(pictHeaders(saved), QStringList(QStringLiteral("\\wbitmap0\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes12"
                                                            "\\picw4\\pich3\\picwgoal60\\pichgoal45")));
    QCOMPARE(model::picture(doc, pictures(doc).value(0)).mimeType, QByteArray("image/bmp"));
}

void TestRtfPictures::shapes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    const QString obj(QChar::ObjectReplacementCharacter);
    QTest::newRow("text box shows its result")
        << QByteArray("a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt uvnit\\'f8}}"
                      "{\\shprslt n\\'e1hrada}}b")
        << QStringLiteral("anáhradab");
    QTest::newRow("picture shape: result not read again")
        << QByteArray("a{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\emfblip 01}}}}"
                      "{\\shprslt{\\*\\do\\dobxcolumn}{\\pict\\wmetafile8 02}}}b")
        << QStringLiteral("a%1b").arg(obj);
    QTest::newRow("a fill picture is no picture of the text") // the shape is kept as a character that shows nothing
        << QByteArray("a{\\shp{\\*\\shpinst{\\sp{\\sn fillBlip}{\\sv {\\pict\\pngblip 01}}}}}b")
        << QStringLiteral("a\uFFFCb");
    QTest::newRow("next shape's result is read")
        << QByteArray("{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\emfblip 01}}}}{\\shprslt x}}"
                      "{\\shp{\\*\\shpinst}{\\shprslt y}}")
        << QStringLiteral("%1y").arg(obj);
    QTest::newRow("nonshppict alone is skipped") << QByteArray("a{\\nonshppict{\\pict\\wmetafile8 01}}b")
                                                 << QStringLiteral("ab");
    QTest::newRow("pictures in a header are not text")
        << QByteArray("a{\\header{\\pict\\pngblip 01}}{\\*\\shppict{\\footer{\\pict\\pngblip 01}}}b")
        << QStringLiteral("ab");
}

void TestRtfPictures::shapes()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QTextDocument doc;
    rtf::read("{\\rtf1\\ansi\\ansicpg1250 " + body + "}", doc);
    QCOMPARE(textOf(doc), text);
    for (const QTextImageFormat &f : pictures(doc))
        QCOMPARE(model::picture(doc, f).bytes, QByteArray("\x01"));
}

void TestRtfPictures::sizeFromPicwAndScale_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QSizeF>("shown");
    QTest::newRow("goal") << QByteArray("\\picw4\\pich3\\picwgoal1500\\pichgoal750") << QSizeF(100, 50);
    QTest::newRow("goal scaled") << QByteArray("\\picwgoal1500\\pichgoal750\\picscalex200\\picscaley10")
                                 << QSizeF(200, 5);
    QTest::newRow("picw in pixels") << QByteArray("\\picw40\\pich30") << QSizeF(40, 30);
    QTest::newRow("picw scaled") << QByteArray("\\picw40\\pich30\\picscalex50\\picscaley50") << QSizeF(20, 15);
    QTest::newRow("no size: the picture's own") << QByteArray() << QSizeF(4, 3);
    QTest::newRow("page-sized goal is bounded") << QByteArray("\\picwgoal99999999\\pichgoal15") << QSizeF(2112, 1);
}

void TestRtfPictures::sizeFromPicwAndScale()
{
    QFETCH(QByteArray, header);
    QFETCH(QSizeF, shown);
    QTextDocument doc;
    rtf::read("{\\rtf1 {\\pict\\pngblip" + header + " " + fixture(QStringLiteral("picture.png")).toHex() + "}}", doc);
    const QList<QTextImageFormat> pics = pictures(doc);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(QSizeF(pics[0].width(), pics[0].height()), shown);

    // Written and read again, the picture keeps its size.
    QTextDocument back;
    rtf::read(rtf::write(doc), back);
    const QList<QTextImageFormat> again = pictures(back);
    QCOMPARE(again.size(), 1);
    QCOMPARE(QSizeF(again[0].width(), again[0].height()), shown);
}

void TestRtfPictures::resizedPictureIsWrittenAtItsNewSize()
{
    QTextDocument doc;
    rtf::read(fixture(QStringLiteral("picture_png.rtf")), doc);
    QTextCursor c(&doc);
    c.setPosition(textOf(doc).indexOf(QChar::ObjectReplacementCharacter));
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    QTextImageFormat f = c.charFormat().toImageFormat();
    f.setWidth(30);
    f.setHeight(40);
    c.setCharFormat(f);
    const QByteArray saved = rtf::write(doc);
    QCOMPARE(pictHeaders(saved),
             QStringList(QStringLiteral("\\pngblip\\piccropl0\\piccropr0\\piccropt0\\piccropb0"
                                        "\\picw4\\pich3\\picwgoal450\\pichgoal600")));
    QTextDocument back;
    rtf::read(saved, back);
    QCOMPARE(QSizeF(pictures(back).value(0).width(), pictures(back).value(0).height()), QSizeF(30, 40));
}

void TestRtfPictures::identicalPicturesShareTheirImage()
{
    const QByteArray hex = fixture(QStringLiteral("picture.png")).toHex();
    const QByteArray other = png(QSize(2, 2), Qt::green).toHex();
    QTextDocument doc;
    rtf::read("{\\rtf1 {\\pict\\pngblip\\picwgoal60 " + hex + "}{\\pict\\pngblip\\picwgoal90 " + hex
                  + "}{\\pict\\pngblip " + other + "}}",
              doc);
    const QList<QTextImageFormat> pics = pictures(doc);
    QCOMPARE(pics.size(), 3);
    QCOMPARE(pics[0].name(), pics[1].name());
    QVERIFY(pics[0].name() != pics[2].name());
    QCOMPARE(pics[0].width(), 4.0);
    QCOMPARE(pics[1].width(), 6.0);
    QCOMPARE(shownImage(doc, pics[2]).size(), QSize(2, 2));
    QCOMPARE(model::picture(doc, pics[2]).bytes.toHex(), other);
}

void TestRtfPictures::damagedPictures_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray damaged = fixture(QStringLiteral("picture_damaged.rtf"));
    QByteArray png = fixture(QStringLiteral("picture.png"));
    png.replace(20, 20, QByteArray(20, '\0'));
    QTest::newRow("golden file") << damaged << png;
    QTest::newRow("not a picture at all") << QByteArray("{\\rtf1 [{\\pict\\jpegblip\\picwgoal600\\pichgoal450 414243}]}")
                                          << QByteArray("ABC");
    QTest::newRow("cut short") << QByteArray("{\\rtf1 [{\\pict\\pngblip\\picwgoal600\\pichgoal450 89504e470d0a1a0a}]}")
                               << QByteArray::fromHex("89504e470d0a1a0a");
    QTest::newRow("odd digit dropped") << QByteArray("{\\rtf1 [{\\pict\\pngblip\\picwgoal600\\pichgoal450 41 4 2 5}]}")
                                       << QByteArray("AB");
    QTest::newRow("no data") << QByteArray("{\\rtf1 [{\\pict\\pngblip\\picwgoal600\\pichgoal450}]}") << QByteArray();
}

void TestRtfPictures::damagedPictures()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QByteArray, bytes);
    QTextDocument doc;
    rtf::read(rtf, doc);
    QCOMPARE(textOf(doc), QStringLiteral("[%1]").arg(QChar(QChar::ObjectReplacementCharacter)));
    const QList<QTextImageFormat> pics = pictures(doc);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(QSizeF(pics[0].width(), pics[0].height()), QSizeF(40, 30));
    const QImage image = shownImage(doc, pics[0]);
    QCOMPARE(image.width() * 3, image.height() * 4);
    QCOMPARE(image.pixelColor(0, 0), QColor(0x80, 0x80, 0x80)); // the frame
    // The bytes are kept as they were, to be written back.
    QCOMPARE(model::picture(doc, pics[0]).bytes, bytes);
    QTextDocument back;
    rtf::read(rtf::write(doc), back);
    QCOMPARE(pictures(back).size(), bytes.isEmpty() ? 0 : 1);
    if (!bytes.isEmpty())
        QCOMPARE(model::picture(back, pictures(back)[0]).bytes, bytes);
}

void TestRtfPictures::hugeClaimedSizeIsNotDecoded()
{
    // A PNG header claiming 60000 by 60000 pixels, with a valid checksum.
    QByteArray ihdr = "IHDR";
    QDataStream s(&ihdr, QIODevice::Append);
    s << quint32(60000) << quint32(60000) << quint8(8) << quint8(2) << quint8(0) << quint8(0) << quint8(0);
    QByteArray chunk;
    QDataStream c(&chunk, QIODevice::WriteOnly);
    c << quint32(13);
    chunk += ihdr;
    // CRC-32 of type and data.
    quint32 crc = 0xFFFFFFFF;
    for (const char ch : ihdr) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    QDataStream(&chunk, QIODevice::Append) << (crc ^ 0xFFFFFFFF);
    const QByteArray data = QByteArray::fromHex("89504e470d0a1a0a") + chunk;
    QTextDocument doc;
    rtf::read("{\\rtf1 {\\pict\\pngblip\\picwgoal1500\\pichgoal1500 " + data.toHex() + "}}", doc);
    const QList<QTextImageFormat> pics = pictures(doc);
    QCOMPARE(pics.size(), 1);
    const QImage image = shownImage(doc, pics[0]);
    QVERIFY(image.width() <= 256 && image.height() <= 256);
    QCOMPARE(model::picture(doc, pics[0]).bytes, data);
}

void TestRtfPictures::pictureIsDrawn()
{
    // The layout finds the image under its name and draws it at the size
    // the file asks for; a placeholder is drawn the same way.
    QTextDocument doc;
    doc.setDocumentMargin(0);
    rtf::read("{\\rtf1 {\\pict\\pngblip\\picwgoal600\\pichgoal450 " + png(QSize(4, 3), Qt::red).toHex()
                  + "}{\\pict\\emfblip\\picwgoal600\\pichgoal450 01}}",
              doc);
    QImage page(200, 100, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        doc.drawContents(&p);
    }
    const int top = int(doc.documentLayout()->blockBoundingRect(doc.begin()).height()) - 30;
    QVERIFY(top >= 0);
    QCOMPARE(page.pixelColor(20, top + 15), QColor(Qt::red));
    QCOMPARE(page.pixelColor(38, top + 28), QColor(Qt::red));
    QCOMPARE(page.pixelColor(41, top + 15), QColor(0xF2, 0xF2, 0xF2)); // inside the placeholder's frame
    QCOMPARE(page.pixelColor(90, top + 15), QColor(Qt::white));
}

void TestRtfPictures::pictureIsOneCharacter()
{
    QTextDocument doc;
    rtf::read(fixture(QStringLiteral("picture_png.rtf")), doc);
    const QString text = textOf(doc);
    const int at = int(text.indexOf(QChar::ObjectReplacementCharacter));
    QVERIFY(at > 0);

    QTextCursor c(&doc);
    c.setPosition(at);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    QCOMPARE(c.selectedText(), QString(QChar::ObjectReplacementCharacter));
    c.deleteChar();
    QCOMPARE(textOf(doc), QString(text).remove(at, 1));
    QVERIFY(pictures(doc).isEmpty());
    QVERIFY(pictHeaders(rtf::write(doc)).isEmpty());

    doc.undo();
    QCOMPARE(textOf(doc), text);
    QCOMPARE(pictures(doc).size(), 1);
    QCOMPARE(model::picture(doc, pictures(doc)[0]).bytes, fixture(QStringLiteral("picture.png")));
    QCOMPARE(pictHeaders(rtf::write(doc)).size(), 1);
}

void TestRtfPictures::cloneKeepsPictures()
{
    QTextDocument doc;
    rtf::read(fixture(QStringLiteral("picture_emf_shape.rtf")), doc);
    std::unique_ptr<QTextDocument> copy(doc.clone());
    const QList<QTextImageFormat> pics = pictures(*copy);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(model::picture(*copy, pics[0]).bytes, fixture(QStringLiteral("picture.emf")));
    QCOMPARE(rtf::write(*copy), rtf::write(doc));
}

void TestRtfPictures::pastedImageIsWrittenAsPng()
{
    // An image the document got from elsewhere, as QTextEdit inserts a
    // pasted one: a resource and an image format, nothing from RTF.
    QTextDocument doc;
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pasted-1")), image);
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("x"));
    QTextImageFormat f;
    f.setName(QStringLiteral("pasted-1"));
    c.insertImage(f);
    c.insertText(QStringLiteral("y"));

    const QByteArray saved = rtf::write(doc);
    QCOMPARE(pictHeaders(saved), QStringList(QStringLiteral("\\pngblip\\picw6\\pich4\\picwgoal90\\pichgoal60")));
    QTextDocument back;
    rtf::read(saved, back);
    QCOMPARE(textOf(back), QStringLiteral("x%1y").arg(QChar(QChar::ObjectReplacementCharacter)));
    const QList<QTextImageFormat> pics = pictures(back);
    QCOMPARE(pics.size(), 1);
    QCOMPARE(model::picture(back, pics[0]).mimeType, QByteArray("image/png"));
    const QImage shown = shownImage(back, pics[0]);
    QCOMPARE(shown.size(), QSize(6, 4));
    QCOMPARE(shown.pixelColor(3, 2), QColor(Qt::red));
}

void TestRtfPictures::plainTextLeavesPicturesOut()
{
    QTextDocument doc;
    rtf::read(fixture(QStringLiteral("picture_png.rtf")), doc);
    QCOMPARE(model::plainText(doc), QByteArray("Před obrázkem  za obrázkem.\nDalší odstavec."));
}

void TestRtfPictures::pictureCountLimit()
{
    // Identical pictures share one image, so this costs little per picture.
    const QByteArray pict = "{\\pict\\emfblip\\picw10\\pich10 0100}";
    QTextDocument doc;
    rtf::read("{\\rtf1 " + pict.repeated(rtf::limits::maxPictures) + "}", doc);
    QCOMPARE(pictures(doc).size(), rtf::limits::maxPictures);
    try {
        rtf::read("{\\rtf1 " + pict.repeated(rtf::limits::maxPictures + 1) + "}", doc);
        QFAIL("no error past the picture limit");
    } catch (const rtf::Error &e) {
        QVERIFY2(e.description().startsWith(QStringLiteral("Dokument je příliš velký")), qPrintable(e.description()));
    }
    QVERIFY(doc.isEmpty());
}

void TestRtfPictures::pictureSizeLimit()
{
    const qint64 most = rtf::limits::maxPictureBytes;
    QTextDocument doc;
    rtf::read("{\\rtf1 a{\\pict\\emfblip\\bin" + QByteArray::number(most) + " " + QByteArray(most, 'x') + "}b}", doc);
    QCOMPARE(textOf(doc), QStringLiteral("a%1b").arg(QChar(QChar::ObjectReplacementCharacter)));
    QCOMPARE(model::picture(doc, pictures(doc).value(0)).bytes.size(), most);
    // One byte more, in hexadecimal after the binary part.
    QVERIFY_THROWS_EXCEPTION(rtf::Error, rtf::read("{\\rtf1 a{\\pict\\emfblip\\bin" + QByteArray::number(most) + " "
                                                       + QByteArray(most, 'x') + "41}b}",
                                                   doc));
    QVERIFY(doc.isEmpty());
}

QTEST_MAIN(TestRtfPictures)
#include "tst_rtf_pictures.moc"
