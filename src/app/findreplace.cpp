#include "findreplace.h"

#include "shortcuts.h"
#include "platform/richtextbox.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

namespace borovka {

namespace search {

namespace {

QTextDocument::FindFlags flagsOf(const SearchOptions &options)
{
    QTextDocument::FindFlags flags;
    if (options.caseSensitive)
        flags |= QTextDocument::FindCaseSensitively;
    if (options.wholeWords)
        flags |= QTextDocument::FindWholeWords;
    return flags;
}

// The format of the character at `position`.
QTextCharFormat formatAt(QTextDocument &doc, int position)
{
    QTextCursor c(&doc);
    c.setPosition(position + 1);
    return c.charFormat();
}

} // namespace

Found next(const QTextDocument &doc, int from, const SearchOptions &options)
{
    if (options.text.isEmpty())
        return {};
    const auto flags = flagsOf(options);
    QTextCursor match = doc.find(options.text, from, flags);
    if (!match.isNull())
        return {match, false};
    if (from <= 0)
        return {};
    match = doc.find(options.text, 0, flags);
    if (match.isNull())
        return {};
    return {match, true};
}

bool isMatch(const QTextCursor &selection, const SearchOptions &options)
{
    if (!selection.hasSelection() || options.text.isEmpty())
        return false;
    const int start = selection.selectionStart();
    const QTextCursor found = selection.document()->find(options.text, start, flagsOf(options));
    return !found.isNull() && found.selectionStart() == start
        && found.selectionEnd() == selection.selectionEnd();
}

void replace(QTextCursor &selection, const QString &replacement)
{
    QTextDocument &doc = *selection.document();
    const QTextCharFormat format = formatAt(doc, selection.selectionStart());
    selection.insertText(replacement, format);
}

int replaceAll(QTextDocument &doc, const SearchOptions &options, const QString &replacement)
{
    if (options.text.isEmpty())
        return 0;
    const auto flags = flagsOf(options);
    QTextCursor match = doc.find(options.text, 0, flags);
    // Nothing to replace opens no edit block: even an empty one reports a change.
    if (match.isNull())
        return 0;
    int count = 0;
    QTextCursor block(&doc);
    block.beginEditBlock();
    do {
        replace(match, replacement);
        ++count;
        // On after the inserted text, which is never searched again.
        match = doc.find(options.text, match.position(), flags);
    } while (!match.isNull());
    block.endEditBlock();
    return count;
}

} // namespace search

// ---- the dialog ---------------------------------------------------------------

FindReplaceDialog::FindReplaceDialog(RichTextBox &rich, QWidget *parent)
    : QDialog(parent), m_rich(rich)
{
    setModal(false);
    searchEdit = new QLineEdit(this);
    searchEdit->setMaxLength(MaxSearchLength);
    replaceEdit = new QLineEdit(this);
    replaceEdit->setMaxLength(MaxSearchLength);
    caseSensitive = new QCheckBox(QStringLiteral("Rozlišovat velikost písmen"), this);
    wholeWords = new QCheckBox(QStringLiteral("Celá slova"), this);
    findNextButton = new QPushButton(QStringLiteral("Najít další"), this);
    replaceButton = new QPushButton(QStringLiteral("Nahradit"), this);
    replaceAllButton = new QPushButton(QStringLiteral("Nahradit vše"), this);
    closeButton = new QPushButton(QStringLiteral("Zavřít"), this);
    notice = new QLabel(this);
    notice->setWordWrap(true);

    auto *searchLabel = new QLabel(QStringLiteral("Hledat:"), this);
    searchLabel->setBuddy(searchEdit);
    auto *replaceLabel = new QLabel(QStringLiteral("Nahradit za:"), this);
    replaceLabel->setBuddy(replaceEdit);
    m_replaceLabel = replaceLabel;

    auto *grid = new QGridLayout(this);
    grid->addWidget(searchLabel, 0, 0);
    grid->addWidget(searchEdit, 0, 1);
    grid->addWidget(findNextButton, 0, 2);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(replaceEdit, 1, 1);
    grid->addWidget(replaceButton, 1, 2);
    grid->addWidget(caseSensitive, 2, 0, 1, 2);
    grid->addWidget(replaceAllButton, 2, 2);
    grid->addWidget(wholeWords, 3, 0, 1, 2);
    grid->addWidget(closeButton, 3, 2);
    grid->addWidget(notice, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    findNextButton->setDefault(true);
    connect(findNextButton, &QPushButton::clicked, this, &FindReplaceDialog::findNext);
    connect(replaceButton, &QPushButton::clicked, this, &FindReplaceDialog::replaceOne);
    connect(replaceAllButton, &QPushButton::clicked, this, &FindReplaceDialog::replaceEverything);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(searchEdit, &QLineEdit::textEdited, notice, &QLabel::clear);
}

void FindReplaceDialog::showFor(bool replacing)
{
    m_replacing = replacing;
    setWindowTitle(replacing ? QStringLiteral("Nahradit") : QStringLiteral("Najít"));
    for (QWidget *w : {m_replaceLabel, static_cast<QWidget *>(replaceEdit),
                       static_cast<QWidget *>(replaceButton), static_cast<QWidget *>(replaceAllButton)})
        w->setVisible(replacing);
    // A short selection within one paragraph is what the writer looks for.
    const QTextCursor cursor = m_rich.textCursor();
    const QString selected = cursor.selectedText();
    if (!selected.isEmpty() && selected.size() <= 200 && !selected.contains(QChar::ParagraphSeparator))
        searchEdit->setText(selected);
    notice->clear();
    adjustSize();
    show();
    raise();
    activateWindow();
    searchEdit->setFocus();
    searchEdit->selectAll();
}

SearchOptions FindReplaceDialog::options() const
{
    return {searchEdit->text(), caseSensitive->isChecked(), wholeWords->isChecked()};
}

bool FindReplaceDialog::ready()
{
    notice->clear();
    if (searchEdit->text().isEmpty()) {
        notice->setText(QStringLiteral("Zadej hledaný text."));
        return false;
    }
    return true;
}

void FindReplaceDialog::findNext()
{
    if (!ready())
        return;
    const QTextCursor cursor = m_rich.textCursor();
    const search::Found found = search::next(*m_rich.document(), cursor.selectionEnd(), options());
    if (found.match.isNull()) {
        notice->setText(QStringLiteral("Hledaný text nebyl nalezen."));
        return;
    }
    if (found.wrapped)
        notice->setText(QStringLiteral("Hledání pokračovalo od začátku dokumentu."));
    m_rich.setTextCursor(found.match);
    m_rich.ensureCursorVisible();
}

void FindReplaceDialog::replaceOne()
{
    if (!ready())
        return;
    QTextCursor cursor = m_rich.textCursor();
    if (search::isMatch(cursor, options())) {
        search::replace(cursor, replaceEdit->text());
        m_rich.setTextCursor(cursor);
    }
    findNext();
}

void FindReplaceDialog::replaceEverything()
{
    if (!ready())
        return;
    const int count = search::replaceAll(*m_rich.document(), options(), replaceEdit->text());
    notice->setText(count == 0 ? QStringLiteral("Hledaný text nebyl nalezen.")
                               : QStringLiteral("Nahrazeno výskytů: %1.").arg(count));
}

// ---- shortcuts and context menu -------------------------------------------------

FindReplace::FindReplace(RichTextBox &rich, Shortcuts &shortcuts, QWidget &window)
    : QObject(&window)
{
    dialog = new FindReplaceDialog(rich, &window);
    find = shortcuts.add({QKeySequence(Qt::CTRL | Qt::Key_F)});
    replace = shortcuts.add({QKeySequence(Qt::CTRL | Qt::Key_H)});
    find->setText(QStringLiteral("Najít..."));
    replace->setText(QStringLiteral("Nahradit..."));
    connect(find, &QAction::triggered, dialog, [this] { dialog->showFor(false); });
    connect(replace, &QAction::triggered, dialog, [this] { dialog->showFor(true); });
    connect(&rich, &RichTextBox::contextMenuAboutToShow, this,
            [this](QMenu *menu, const QPoint &) { addToMenu(menu); });
}

void FindReplace::addToMenu(QMenu *menu)
{
    menu->addSeparator();
    RichTextBox::addMenuItemFor(menu, find);
    RichTextBox::addMenuItemFor(menu, replace);
}

} // namespace borovka
