#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class Hunspell;
class QAction;
class QMenu;
class QThread;

namespace borovka {

class RichTextBox;

// One Hunspell dictionary. A dictionary that is missing, empty, damaged or
// in an encoding that cannot be converted is not valid and knows no word.
class SpellDictionary {
public:
    SpellDictionary(const QString &affPath, const QString &dicPath);
    ~SpellDictionary();
    SpellDictionary(const SpellDictionary &) = delete;
    SpellDictionary &operator=(const SpellDictionary &) = delete;

    bool isValid() const { return m_hunspell != nullptr; }
    bool isCorrect(const QString &word) const;
    QStringList suggestions(const QString &word, int max) const;
    // Known for the rest of this run.
    void add(const QString &word);

    // The Czech dictionary installed by hunspell-cs.
    static QString czechAff();
    static QString czechDic();

private:
    std::string encode(const QString &word, bool *ok) const;
    QString decode(const std::string &bytes) const;

    std::unique_ptr<Hunspell> m_hunspell;
    bool m_utf8 = true;
    QByteArray m_encoding;
};

// A word of a paragraph, by its place in the paragraph's text.
struct WordSpan {
    int start = 0;
    int length = 0;
    bool operator==(const WordSpan &) const = default;
};

// The words of one paragraph worth checking: runs of letters (with háčky
// and čárky) joined by inner hyphens and apostrophes. Words with digits,
// all-capital abbreviations and anything inside a web or mail address are
// left out.
QList<WordSpan> checkableWords(const QString &text);

// Marks misspelt words in the editing area with a red wavy underline as the
// writer types. The marks are drawn over the text, never part of it: the
// document, its undo history and its changed state stay as they are. Only
// the paragraphs on the screen are checked, and only text in Czech that
// may be proofed (see language.h).
class SpellChecker : public QObject {
    Q_OBJECT

public:
    // `personalList` is the writer's own word list, one word a line.
    SpellChecker(RichTextBox &rich, const QString &personalList, QObject *parent = nullptr);
    ~SpellChecker() override;

    // Takes a dictionary now, or loads one on a worker thread.
    void setDictionary(std::shared_ptr<SpellDictionary> dictionary);
    void loadInBackground(const QString &affPath, const QString &dicPath);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);

    bool isMisspelt(const QString &word) const;
    // The misspelt words now marked, as document positions and lengths.
    QList<std::pair<int, int>> marked() const;
    // Checks the visible paragraphs at once (normally a moment after a change).
    void recheck();

    static constexpr int MaxSuggestions = 7;
    static QString defaultPersonalList();

    // "Kontrola pravopisu", remembered between runs.
    QAction *toggle = nullptr;

Q_SIGNALS:
    void dictionaryLoaded(bool valid);

private:
    void addToMenu(QMenu *menu, const QPoint &pos);
    void addToPersonalList(const QString &word);
    void ignoreAll(const QString &word);
    void loadPersonalList();

    RichTextBox &m_rich;
    std::shared_ptr<SpellDictionary> m_dictionary;
    QString m_personalList;
    QSet<QString> m_ignored;
    QSet<QString> m_personalWords;
    bool m_enabled = true;
    QTimer m_timer;
    QThread *m_loader = nullptr;
};

} // namespace borovka
