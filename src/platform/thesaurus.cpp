#include "thesaurus.h"

#include "richtextbox.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTextBlock>
#include <QTextDocument>

#include <mythes.hxx>

namespace borovka {

namespace {

// A line without its end, at most `max` bytes; false at the end of the
// file or for a longer line.
bool readLine(QFile &f, QByteArray &line, qint64 max)
{
    line = f.readLine(max + 2);
    if (line.isEmpty())
        return false;
    if (line.endsWith('\n'))
        line.chop(1);
    else if (!f.atEnd())
        return false; // longer than any line of a sound file
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

// MyThes reads lines into buffers of this size.
constexpr qint64 MaxLine = MAX_LN_LEN - 2;

} // namespace

Thesaurus::Thesaurus(const QString &idxPath, const QString &datPath)
    : m_idxPath(idxPath), m_datPath(datPath)
{
}

Thesaurus::~Thesaurus() = default;

QString Thesaurus::czechIdx()
{
    return QStringLiteral("/usr/share/mythes/th_cs_CZ_v2.idx");
}

QString Thesaurus::czechDat()
{
    return QStringLiteral("/usr/share/mythes/th_cs_CZ_v2.dat");
}

bool Thesaurus::isValid()
{
    if (!m_tried) {
        m_tried = true;
        if (!load()) {
            m_thes.reset();
            m_offsets.clear();
        }
    }
    return m_thes != nullptr;
}

// MyThes trusts its files: a damaged index or entry count would make it
// allocate or read without end. The index is checked here first, and each
// entry before MyThes reads it (entryIsSound).
bool Thesaurus::load()
{
    const QFileInfo idxInfo(m_idxPath), datInfo(m_datPath);
    if (!idxInfo.isFile() || !datInfo.isFile() || idxInfo.size() > MaxFileSize || datInfo.size() > MaxFileSize)
        return false;
    QFile dat(m_datPath);
    QByteArray line;
    if (!dat.open(QIODevice::ReadOnly) || !readLine(dat, line, 64))
        return false;
    m_encoding = line.trimmed();
    if (!QStringDecoder(m_encoding.constData()).isValid() || !QStringEncoder(m_encoding.constData()).isValid())
        return false;
    QFile idx(m_idxPath);
    if (!idx.open(QIODevice::ReadOnly) || !readLine(idx, line, 64) || !readLine(idx, line, 16))
        return false;
    bool ok = false;
    const qint64 count = line.toLongLong(&ok);
    if (!ok || count < 1 || count > idxInfo.size())
        return false;
    m_offsets.reserve(count);
    while (readLine(idx, line, MAX_WD_LEN - 2)) {
        const qsizetype bar = line.lastIndexOf('|');
        const qint64 offset = bar > 0 ? line.mid(bar + 1).toLongLong(&ok) : -1;
        if (!ok || offset < 0 || offset >= datInfo.size())
            return false;
        m_offsets.insert(line.left(bar), offset);
    }
    if (!idx.atEnd() || m_offsets.size() != count)
        return false;
    m_thes = std::make_unique<MyThes>(QFile::encodeName(m_idxPath).constData(), QFile::encodeName(m_datPath).constData());
    return true;
}

// The entry starts at its offset with "word|count", followed by that many
// lines of meanings, each within MyThes' line buffer.
bool Thesaurus::entryIsSound(const QByteArray &key)
{
    const auto it = m_offsets.constFind(key);
    if (it == m_offsets.constEnd())
        return false;
    QFile dat(m_datPath);
    QByteArray line;
    if (!dat.open(QIODevice::ReadOnly) || !dat.seek(*it) || !readLine(dat, line, MaxLine))
        return false;
    const qsizetype bar = line.lastIndexOf('|');
    bool ok = false;
    const int count = bar >= 0 ? line.mid(bar + 1).toInt(&ok) : 0;
    if (!ok || line.left(bar) != key || count < 1 || count > MaxMeanings)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!readLine(dat, line, MaxLine))
            return false;
    }
    return true;
}

QList<Meaning> Thesaurus::lookUp(const QString &word)
{
    QStringEncoder encode(m_encoding.constData());
    const QByteArray key = encode(word);
    if (encode.hasError() || key.isEmpty() || key.size() >= MAX_WD_LEN || !entryIsSound(key))
        return {};
    mentry *entries = nullptr;
    const int count = m_thes->Lookup(key.constData(), int(key.size()), &entries);
    QList<Meaning> out;
    QStringDecoder decode(m_encoding.constData());
    for (int i = 0; i < count && entries; ++i) {
        const mentry &e = entries[i];
        Meaning m;
        m.definition = e.defn ? QString(decode(QByteArrayView(e.defn))).trimmed() : QString();
        for (int s = 0; s < e.count; ++s) {
            const QString synonym = QString(decode(QByteArrayView(e.psyns[s]))).trimmed();
            if (!synonym.isEmpty())
                m.synonyms << synonym;
        }
        // MyThes makes a meaning's definition of its part of speech and its
        // first synonym ("(podst. jm.) budova"); the synonym is listed anyway.
        if (!m.synonyms.isEmpty()) {
            const QString &first = m.synonyms.first();
            if (m.definition == first)
                m.definition.clear();
            else if (m.definition.endsWith(u' ' + first))
                m.definition = m.definition.chopped(first.size() + 1).trimmed();
        }
        out << m;
    }
    if (count > 0 && entries)
        m_thes->CleanUpAfterLookup(&entries, count);
    return out;
}

QList<Meaning> Thesaurus::meanings(const QString &word)
{
    if (word.isEmpty() || word.size() > MAX_WD_LEN || !isValid())
        return {};
    QList<Meaning> found = lookUp(word);
    const QString lower = word.toLower();
    if (found.isEmpty() && lower != word)
        found = lookUp(lower);
    return found;
}

QString matchCapitalisation(const QString &word, const QString &synonym)
{
    if (word.isEmpty() || synonym.isEmpty())
        return synonym;
    bool anyLetter = false, allUpper = true;
    for (const QChar c : word) {
        if (c.isLetter()) {
            anyLetter = true;
            allUpper = allUpper && c.isUpper();
        }
    }
    if (anyLetter && allUpper && word.size() > 1)
        return synonym.toUpper();
    if (word.front().isUpper())
        return synonym.front().toUpper() + synonym.mid(1);
    return synonym;
}

QTextCursor wordAt(QTextDocument &doc, int position)
{
    const QTextBlock block = doc.findBlock(position);
    if (!block.isValid())
        return {};
    const QString text = block.text();
    const auto inWord = [&](qsizetype i) {
        if (i < 0 || i >= text.size())
            return false;
        const QChar c = text[i];
        if (c.isLetterOrNumber() || c.isMark())
            return true;
        // A hyphen joins two parts of one word.
        return c == u'-' && i > 0 && i + 1 < text.size() && text[i - 1].isLetterOrNumber() && text[i + 1].isLetterOrNumber();
    };
    qsizetype at = position - block.position();
    if (!inWord(at))
        --at; // just after the word's end
    if (!inWord(at))
        return {};
    qsizetype start = at, end = at + 1;
    while (inWord(start - 1))
        --start;
    while (inWord(end))
        ++end;
    QTextCursor word(&doc);
    word.setPosition(block.position() + int(start));
    word.setPosition(block.position() + int(end), QTextCursor::KeepAnchor);
    return word;
}

void replaceWord(QTextCursor &word, const QString &synonym)
{
    if (!word.hasSelection() || synonym.isEmpty())
        return;
    QTextCursor first(word.document());
    first.setPosition(word.selectionStart() + 1);
    const QTextCharFormat format = first.charFormat();
    word.insertText(matchCapitalisation(word.selectedText(), synonym), format);
}

SynonymMenu::SynonymMenu(RichTextBox &rich, std::shared_ptr<Thesaurus> thesaurus, QObject *parent)
    : QObject(parent), m_rich(rich), m_thesaurus(std::move(thesaurus))
{
    connect(&m_rich, &RichTextBox::contextMenuAboutToShow, this, &SynonymMenu::addToMenu);
}

void SynonymMenu::addToMenu(QMenu *menu, const QPoint &pos)
{
    menu->addSeparator();
    QMenu *sub = menu->addMenu(QStringLiteral("Synonyma"));
    sub->setEnabled(false);
    if (m_rich.isReadOnly() || !m_thesaurus)
        return;
    QTextCursor word = wordAt(*m_rich.document(), m_rich.cursorForPosition(pos).position());
    if (word.isNull())
        return;
    const QString text = word.selectedText();
    const QList<Meaning> meanings = m_thesaurus->meanings(text);
    int items = 0;
    for (const Meaning &m : meanings) {
        QStringList offered;
        for (const QString &s : m.synonyms) {
            if (s.compare(text, Qt::CaseInsensitive) != 0 && !offered.contains(s))
                offered << s;
        }
        if (offered.isEmpty() || items >= MaxItems)
            continue;
        sub->addSection(m.definition);
        for (const QString &s : std::as_const(offered)) {
            if (items++ >= MaxItems)
                break;
            QAction *a = sub->addAction(matchCapitalisation(text, s));
            // The cursor follows any edit of the document, so it selects
            // the word still when the entry is chosen.
            connect(a, &QAction::triggered, this, [this, word, s]() mutable {
                if (word.document() == m_rich.document()) {
                    replaceWord(word, s);
                    m_rich.setTextCursor(word);
                }
            });
        }
    }
    sub->setEnabled(items > 0);
}

} // namespace borovka
