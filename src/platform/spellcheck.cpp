#include "spellcheck.h"

#include "richtextbox.h"
#include "model/language.h"
#include "model/notes.h"

#include <hunspell.hxx>

#include <algorithm>

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextFragment>
#include <QThread>

namespace borovka {

namespace {

const QString SettingsKey = QStringLiteral("kontrolaPravopisu");

// One small file named after the program: ~/.config/borovka-editor.conf.
QString settingsName() { return QCoreApplication::applicationName(); }
constexpr int RecheckDelay = 150; // ms after the last change or scroll

// A dictionary's word list starts with the number of its words.
bool looksLikeDictionary(const QString &affPath, const QString &dicPath)
{
    QFile aff(affPath);
    QFile dic(dicPath);
    if (!aff.open(QIODevice::ReadOnly) || aff.size() == 0 || !dic.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const qlonglong count = dic.readLine(64).trimmed().toLongLong(&ok);
    return ok && count > 0;
}

bool isApostrophe(QChar c) { return c == QLatin1Char('\'') || c == QChar(0x2019); }

bool joinsWords(QChar c) { return c == QLatin1Char('-') || isApostrophe(c); }

// The paragraph's text as words are read: a note's mark right after a word
// ("vysvětlivka¹") is no part of it.
QString checkedText(const QTextBlock &block)
{
    QString text = block.text();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (model::isNoteMark(f.charFormat())) {
            const int from = f.position() - block.position();
            std::fill(text.begin() + from, text.begin() + from + f.length(), QChar(u' '));
        }
    }
    return text;
}

// The words of a paragraph to check: those of Czech text that may be
// proofed. A word touching text in another language (\lang) or marked
// \noproof is left alone.
QList<WordSpan> proofedWords(const QTextBlock &block, int documentLanguage)
{
    QList<WordSpan> words = checkableWords(checkedText(block));
    QList<std::pair<int, int>> other; // start and end in the paragraph
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (!model::isProofedCzech(f.charFormat(), documentLanguage))
            other.append({f.position() - block.position(), f.position() - block.position() + f.length()});
    }
    if (other.isEmpty())
        return words;
    words.removeIf([&other](const WordSpan &w) {
        return std::any_of(other.cbegin(), other.cend(), [&w](const std::pair<int, int> &r) {
            return w.start < r.second && w.start + w.length > r.first;
        });
    });
    return words;
}

// The first paragraph that reaches below `top`, found by halving: the
// paragraphs lie one under another.
QTextBlock firstBlockBelow(const QTextDocument &doc, qreal top)
{
    if (top <= 0)
        return doc.begin();
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    int lo = 0;
    int hi = doc.blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (layout->blockBoundingRect(doc.findBlockByNumber(mid)).bottom() < top)
            lo = mid + 1;
        else
            hi = mid;
    }
    return doc.findBlockByNumber(lo);
}

QString normalized(QString word)
{
    word.replace(QChar(0x2019), QLatin1Char('\''));
    return word;
}

} // namespace

// ---- the dictionary ---------------------------------------------------------------

SpellDictionary::SpellDictionary(const QString &affPath, const QString &dicPath)
{
    if (!looksLikeDictionary(affPath, dicPath))
        return;
    auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(),
                                               QFile::encodeName(dicPath).constData());
    m_encoding = QByteArray::fromStdString(hunspell->get_dict_encoding()).trimmed();
    m_utf8 = m_encoding.isEmpty() || m_encoding.compare("UTF-8", Qt::CaseInsensitive) == 0;
    if (!m_utf8 && !QStringEncoder(m_encoding.constData()).isValid())
        return;
    m_hunspell = std::move(hunspell);
}

SpellDictionary::~SpellDictionary() = default;

QString SpellDictionary::czechAff() { return QStringLiteral("/usr/share/hunspell/cs_CZ.aff"); }
QString SpellDictionary::czechDic() { return QStringLiteral("/usr/share/hunspell/cs_CZ.dic"); }

std::string SpellDictionary::encode(const QString &word, bool *ok) const
{
    *ok = true;
    if (m_utf8)
        return word.toStdString();
    QStringEncoder encoder(m_encoding.constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(word);
    // A letter the dictionary's encoding lacks: the dictionary cannot judge it.
    *ok = !encoder.hasError() && !bytes.contains('?');
    return bytes.toStdString();
}

QString SpellDictionary::decode(const std::string &bytes) const
{
    if (m_utf8)
        return QString::fromStdString(bytes);
    QStringDecoder decoder(m_encoding.constData());
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

bool SpellDictionary::isCorrect(const QString &word) const
{
    if (!m_hunspell)
        return true;
    bool ok = false;
    const std::string encoded = encode(word, &ok);
    return !ok || m_hunspell->spell(encoded);
}

QStringList SpellDictionary::suggestions(const QString &word, int max) const
{
    QStringList out;
    if (!m_hunspell)
        return out;
    bool ok = false;
    const std::string encoded = encode(word, &ok);
    if (!ok)
        return out;
    for (const std::string &s : m_hunspell->suggest(encoded)) {
        if (out.size() >= max)
            break;
        out << decode(s);
    }
    return out;
}

void SpellDictionary::add(const QString &word)
{
    bool ok = false;
    const std::string encoded = encode(word, &ok);
    if (m_hunspell && ok)
        m_hunspell->add(encoded);
}

// ---- words -----------------------------------------------------------------------

QList<WordSpan> checkableWords(const QString &text)
{
    // Web and mail addresses, blank to blank, are never checked.
    std::vector<bool> address(size_t(text.size()), false);
    for (qsizetype i = 0; i < text.size();) {
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        const QStringView chunk = QStringView(text).mid(i, end - i);
        if (chunk.contains(QLatin1String("://")) || chunk.contains(QLatin1Char('@'))
            || chunk.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            std::fill(address.begin() + i, address.begin() + end, true);
        i = end;
    }

    QList<WordSpan> words;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (!c.isLetterOrNumber()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        bool digit = false;
        bool lower = false;
        int letters = 0;
        while (i < n) {
            const QChar d = text.at(i);
            if (d.isLetter()) {
                ++letters;
                lower = lower || !d.isUpper();
            } else if (d.isNumber()) {
                digit = true;
            } else if (d.isMark()) {
                // combining accents belong to their letter
            } else if (joinsWords(d) && i + 1 < n && text.at(i + 1).isLetter() && i > start) {
                // an inner hyphen or apostrophe: "česko-slovenský", "rock'n'roll"
            } else {
                break;
            }
            ++i;
        }
        const bool abbreviation = letters >= 2 && !lower;
        if (!digit && !abbreviation && letters >= 2 && !address[size_t(start)])
            words.append({int(start), int(i - start)});
    }
    return words;
}


// ---- checking as you type ------------------------------------------------------------

SpellChecker::SpellChecker(RichTextBox &rich, const QString &personalList, QObject *parent)
    : QObject(parent), m_rich(rich), m_personalList(personalList)
{
    m_enabled = QSettings(settingsName()).value(SettingsKey, true).toBool();
    toggle = new QAction(QStringLiteral("Kontrola pravopisu"), this);
    toggle->setCheckable(true);
    toggle->setChecked(m_enabled);
    connect(toggle, &QAction::toggled, this, &SpellChecker::setEnabled);

    m_timer.setSingleShot(true);
    m_timer.setInterval(RecheckDelay);
    connect(&m_timer, &QTimer::timeout, this, &SpellChecker::recheck);
    auto later = [this] { m_timer.start(); };
    connect(&m_rich, &QTextEdit::textChanged, this, later);
    connect(m_rich.verticalScrollBar(), &QScrollBar::valueChanged, this, later);
    connect(m_rich.verticalScrollBar(), &QScrollBar::rangeChanged, this, later);
    connect(&m_rich, &RichTextBox::contextMenuAboutToShow, this, &SpellChecker::addToMenu);
    loadPersonalList();
}

SpellChecker::~SpellChecker()
{
    if (m_loader)
        m_loader->wait();
}

QString SpellChecker::defaultPersonalList()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("osobni-slovnik.txt"));
}

void SpellChecker::setDictionary(std::shared_ptr<SpellDictionary> dictionary)
{
    m_dictionary = std::move(dictionary);
    if (m_dictionary)
        for (const QString &w : std::as_const(m_personalWords))
            m_dictionary->add(w);
    recheck();
}

void SpellChecker::loadInBackground(const QString &affPath, const QString &dicPath)
{
    if (m_loader)
        return;
    auto result = std::make_shared<std::shared_ptr<SpellDictionary>>();
    m_loader = QThread::create([affPath, dicPath, result] {
        *result = std::make_shared<SpellDictionary>(affPath, dicPath);
    });
    connect(m_loader, &QThread::finished, this, [this, result] {
        m_loader->wait();
        delete m_loader;
        m_loader = nullptr;
        setDictionary(*result);
        Q_EMIT dictionaryLoaded(*result && (*result)->isValid());
    });
    m_loader->start(QThread::LowPriority);
}

void SpellChecker::setEnabled(bool on)
{
    m_enabled = on;
    toggle->setChecked(on);
    QSettings(settingsName()).setValue(SettingsKey, on);
    recheck();
}

bool SpellChecker::isMisspelt(const QString &raw) const
{
    if (!m_enabled || !m_dictionary || !m_dictionary->isValid())
        return false;
    const QString word = normalized(raw);
    if (m_ignored.contains(word) || m_personalWords.contains(word))
        return false;
    if (m_dictionary->isCorrect(word))
        return false;
    // "česko-slovenský": right when each of its parts is.
    if (word.contains(QLatin1Char('-'))) {
        const QStringList parts = word.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        return !std::all_of(parts.begin(), parts.end(), [this](const QString &p) {
            return m_ignored.contains(p) || m_personalWords.contains(p) || m_dictionary->isCorrect(p);
        });
    }
    return true;
}

void SpellChecker::recheck()
{
    m_timer.stop();
    QList<QTextEdit::ExtraSelection> marks;
    if (m_enabled && m_dictionary && m_dictionary->isValid()) {
        QTextDocument *doc = m_rich.document();
        const QRect view = m_rich.viewport()->rect();
        // The screen's part of the document; the layout below it may not exist yet.
        QAbstractTextDocumentLayout *layout = doc->documentLayout();
        const qreal top = m_rich.verticalScrollBar()->value();
        const qreal bottom = top + view.height();
        const QTextBlock first = firstBlockBelow(*doc, top);
        // The word being typed is judged once the writer has left it.
        const int typing = m_rich.hasFocus() && !m_rich.textCursor().hasSelection()
            ? m_rich.textCursor().position() : -1;
        QTextCharFormat wavy;
        wavy.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        wavy.setUnderlineColor(Qt::red);
        const int language = model::defaultLanguage(*doc);
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            if (layout->blockBoundingRect(b).top() > bottom)
                break;
            const QString text = checkedText(b);
            for (const WordSpan &w : proofedWords(b, language)) {
                const int start = b.position() + w.start;
                if (start + w.length == typing)
                    continue;
                if (!isMisspelt(text.mid(w.start, w.length)))
                    continue;
                QTextEdit::ExtraSelection mark;
                mark.cursor = QTextCursor(doc);
                mark.cursor.setPosition(start);
                mark.cursor.setPosition(start + w.length, QTextCursor::KeepAnchor);
                mark.format = wavy;
                marks.append(mark);
            }
        }
    }
    m_rich.setExtraSelections(marks);
}

QList<std::pair<int, int>> SpellChecker::marked() const
{
    QList<std::pair<int, int>> out;
    for (const QTextEdit::ExtraSelection &s : m_rich.extraSelections())
        out.append({s.cursor.selectionStart(), s.cursor.selectionEnd() - s.cursor.selectionStart()});
    return out;
}

// ---- the context menu -----------------------------------------------------------------

void SpellChecker::addToMenu(QMenu *menu, const QPoint &pos)
{
    const QTextCursor at = m_rich.cursorForPosition(pos);
    const QTextBlock block = at.block();
    const QString text = checkedText(block);
    const int inBlock = at.positionInBlock();
    QAction *top = menu->actions().value(0);
    for (const WordSpan &w : proofedWords(block, model::defaultLanguage(*m_rich.document()))) {
        if (inBlock < w.start || inBlock > w.start + w.length)
            continue;
        const QString word = text.mid(w.start, w.length);
        if (!isMisspelt(word))
            break;
        const int start = block.position() + w.start;
        const int length = w.length;
        const QStringList suggestions = m_dictionary->suggestions(word, MaxSuggestions);
        for (const QString &s : suggestions) {
            auto *a = new QAction(s, menu);
            connect(a, &QAction::triggered, &m_rich, [this, start, length, s] {
                // The suggestion takes the formatting of the word it replaces.
                QTextCursor c(m_rich.document());
                c.setPosition(start + 1);
                const QTextCharFormat format = c.charFormat();
                c.setPosition(start);
                c.setPosition(start + length, QTextCursor::KeepAnchor);
                c.insertText(s, format);
            });
            menu->insertAction(top, a);
        }
        if (suggestions.isEmpty()) {
            auto *none = new QAction(QStringLiteral("Žádné návrhy"), menu);
            none->setEnabled(false);
            menu->insertAction(top, none);
        }
        auto *add = new QAction(QStringLiteral("Přidat do slovníku"), menu);
        connect(add, &QAction::triggered, this, [this, word] { addToPersonalList(word); });
        menu->insertAction(top, add);
        auto *ignore = new QAction(QStringLiteral("Ignorovat vše"), menu);
        connect(ignore, &QAction::triggered, this, [this, word] { ignoreAll(word); });
        menu->insertAction(top, ignore);
        menu->insertSeparator(top);
        break;
    }
    menu->addSeparator();
    RichTextBox::addMenuItemFor(menu, toggle);
}

void SpellChecker::ignoreAll(const QString &word)
{
    m_ignored.insert(normalized(word));
    recheck();
}

void SpellChecker::loadPersonalList()
{
    QFile file(m_personalList);
    if (m_personalList.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QString w = QString::fromUtf8(file.readLine(1024)).trimmed();
        if (!w.isEmpty())
            m_personalWords.insert(w);
    }
}

void SpellChecker::addToPersonalList(const QString &raw)
{
    const QString word = normalized(raw);
    // Known from now on even when the list cannot be written.
    m_personalWords.insert(word);
    if (m_dictionary)
        m_dictionary->add(word);
    if (!m_personalList.isEmpty()) {
        QDir().mkpath(QFileInfo(m_personalList).path());
        QFile file(m_personalList);
        if (file.open(QIODevice::Append | QIODevice::Text))
            file.write(word.toUtf8() + '\n');
    }
    recheck();
}

} // namespace borovka
