#pragma once

#include <QDialog>
#include <QString>
#include <QTextCursor>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTextDocument;

namespace borovka {

class RichTextBox;
class Shortcuts;

struct SearchOptions {
    QString text;
    bool caseSensitive = false;
    bool wholeWords = false;
};

// Searching and replacing in a document. Letters with diacritics match only
// themselves: "c" never finds "č".
namespace search {

struct Found {
    QTextCursor match; // null when the text occurs nowhere
    bool wrapped = false; // found only after going round past the end
};

// The next occurrence at or after `from`, going round to the start once.
Found next(const QTextDocument &doc, int from, const SearchOptions &options);

// True when `selection` holds exactly one occurrence of the search text.
bool isMatch(const QTextCursor &selection, const SearchOptions &options);

// Replaces the selected occurrence; the new text takes the formatting of the
// first replaced character.
void replace(QTextCursor &selection, const QString &replacement);

// Replaces every occurrence as one undo step and returns how many there
// were. The search goes on after each inserted text, so a replacement that
// contains the search text is not searched again.
int replaceAll(QTextDocument &doc, const SearchOptions &options, const QString &replacement);

} // namespace search

// The small "Najít" / "Nahradit" window. It stays open beside the text
// while the writer goes from one occurrence to the next.
class FindReplaceDialog : public QDialog {
    Q_OBJECT

public:
    FindReplaceDialog(RichTextBox &rich, QWidget *parent);

    // Shows the window for finding only, or with the replace row.
    void showFor(bool replacing);
    bool isReplacing() const { return m_replacing; }

    QLineEdit *searchEdit = nullptr;
    QLineEdit *replaceEdit = nullptr;
    QCheckBox *caseSensitive = nullptr;
    QCheckBox *wholeWords = nullptr;
    QPushButton *findNextButton = nullptr;
    QPushButton *replaceButton = nullptr;
    QPushButton *replaceAllButton = nullptr;
    QPushButton *closeButton = nullptr;
    QLabel *notice = nullptr;

    // The searched text may be as long as a whole article.
    static constexpr int MaxSearchLength = 1 << 20;

public Q_SLOTS:
    void findNext();
    void replaceOne();
    void replaceEverything();

private:
    SearchOptions options() const;
    bool ready();

    RichTextBox &m_rich;
    QWidget *m_replaceLabel = nullptr;
    bool m_replacing = false;
};

// Ctrl+F, Ctrl+H and the two entries of the editing area's context menu.
class FindReplace : public QObject {
    Q_OBJECT

public:
    FindReplace(RichTextBox &rich, Shortcuts &shortcuts, QWidget &window);

    QAction *find = nullptr;
    QAction *replace = nullptr;
    FindReplaceDialog *dialog = nullptr;

private:
    void addToMenu(QMenu *menu);
};

} // namespace borovka
