#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <QObject>
#include <QTextCursor>

#include <memory>

class MyThes;
class QMenu;
class QTextDocument;

namespace borovka {

// One meaning of a word: what kind of word it is ("(podst. jm.)", may be
// empty) and its synonyms.
struct Meaning {
    QString definition;
    QStringList synonyms;
    bool operator==(const Meaning &) const = default;
};

// A thesaurus in the MyThes format (an .idx index and a .dat file, the
// Czech one from mythes-cs). Nothing is read until the first question, so
// the program starts as fast without it; a thesaurus that is missing or
// damaged is not valid and knows no word.
class Thesaurus {
public:
    Thesaurus(const QString &idxPath, const QString &datPath);
    ~Thesaurus();
    Thesaurus(const Thesaurus &) = delete;
    Thesaurus &operator=(const Thesaurus &) = delete;

    // Loads the files on first use.
    bool isValid();
    // The word's meanings, looked up as written and else in small letters.
    QList<Meaning> meanings(const QString &word);

    // The Czech thesaurus installed by mythes-cs.
    static QString czechIdx();
    static QString czechDat();

    // Limits a damaged file cannot pass: entries past them are refused.
    static constexpr int MaxMeanings = 64;
    static constexpr qint64 MaxFileSize = qint64(256) << 20;

private:
    bool load();
    bool entryIsSound(const QByteArray &key);
    QList<Meaning> lookUp(const QString &word);

    QString m_idxPath, m_datPath;
    bool m_tried = false;
    std::unique_ptr<MyThes> m_thes;
    QHash<QByteArray, qint64> m_offsets;
    QByteArray m_encoding;
};

// The synonym as the word is written: "Dům" → "Budova", "DŮM" → "BUDOVA".
QString matchCapitalisation(const QString &word, const QString &synonym);

// The word at a document position (or just before it) selected: letters
// and digits, with inner hyphens ("e-mail"). A null cursor where there is
// no word.
QTextCursor wordAt(QTextDocument &doc, int position);

// Puts the synonym in place of the selected word as one step of the undo
// history, written as the word was (see matchCapitalisation) and in the
// formatting of its first character.
void replaceWord(QTextCursor &word, const QString &synonym);

class RichTextBox;

// The "Synonyma" submenu of the editing area's context menu: the meanings
// of the word under the mouse, each with its synonyms, choosing one puts it
// in the word's place. Disabled, but shown, without a thesaurus or a word
// it knows.
class SynonymMenu : public QObject {
    Q_OBJECT

public:
    SynonymMenu(RichTextBox &rich, std::shared_ptr<Thesaurus> thesaurus, QObject *parent = nullptr);

    // At most this many synonyms in the submenu, over all meanings.
    static constexpr int MaxItems = 40;

private:
    void addToMenu(QMenu *menu, const QPoint &pos);

    RichTextBox &m_rich;
    std::shared_ptr<Thesaurus> m_thesaurus;
};

} // namespace borovka
