#include "typographytools.h"

#include "format/typography.h"
#include "platform/dialogservice.h"
#include "platform/richtextbox.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace borovka {

namespace {

const QString SettingsKey = QStringLiteral("ceskaTypografie");

// One small file named after the program, beside the other remembered settings.
QString settingsName() { return QCoreApplication::applicationName(); }

QTextCharFormat formatOfCharacter(QTextDocument &doc, int position)
{
    QTextCursor c(&doc);
    c.setPosition(position + 1);
    return c.charFormat();
}

} // namespace

TypographyTools::TypographyTools(RichTextBox &rich, DialogService &dialogs, QObject *parent)
    : QObject(parent), m_rich(rich), m_dialogs(dialogs)
{
    m_enabled = QSettings(settingsName()).value(SettingsKey, true).toBool();
    asYouType = new QAction(QStringLiteral("Česká typografie při psaní"), this);
    asYouType->setCheckable(true);
    asYouType->setChecked(m_enabled);
    connect(asYouType, &QAction::toggled, this, &TypographyTools::setEnabled);
    fixAll = new QAction(QStringLiteral("Opravit typografii"), this);
    connect(fixAll, &QAction::triggered, this, &TypographyTools::fixTypography);
    connect(&m_rich, &RichTextBox::textTyped, this, &TypographyTools::typed);
    connect(&m_rich, &RichTextBox::contextMenuAboutToShow, this,
            [this](QMenu *menu, const QPoint &) { addToMenu(menu); });
}

void TypographyTools::setEnabled(bool on)
{
    m_enabled = on;
    asYouType->setChecked(on);
    QSettings(settingsName()).setValue(SettingsKey, on);
}

void TypographyTools::addToMenu(QMenu *menu)
{
    menu->addSeparator();
    RichTextBox::addMenuItemFor(menu, asYouType);
    RichTextBox::addMenuItemFor(menu, fixAll);
}

void TypographyTools::typed(const QString &text)
{
    if (!m_enabled || m_rich.isReadOnly() || text.isEmpty())
        return;
    QTextDocument &doc = *m_rich.document();
    const int end = m_rich.textCursor().position();
    QChar last = text.back();
    if (last == u'\r' || last == u'\n')
        last = QChar::ParagraphSeparator;
    if (end == 0 || doc.characterAt(end - 1) != last)
        return;

    const int start = std::max(0, end - typography::Lookback);
    QChar before[typography::Lookback];
    for (int p = start; p < end; ++p)
        before[p - start] = doc.characterAt(p);
    const typography::Changes changes = typography::afterTyping(QStringView(before, end - start));

    // Nothing in a hyperlink's text, a field or a kept piece changes.
    QTextCursor c(&doc);
    bool editing = false;
    for (int k = changes.count - 1; k >= 0; --k) {
        const typography::Change &change = changes.items[size_t(k)];
        const int at = start + change.position;
        bool locked = false;
        for (int p = at; p < at + change.length && !locked; ++p)
            locked = typography::isProtected(formatOfCharacter(doc, p));
        if (locked)
            continue;
        if (!editing) {
            // One undo step of its own: Ctrl+Z gives back what was typed.
            c.beginEditBlock();
            editing = true;
        }
        // The new character goes in before the old ones, which then go: the
        // last command is a removal, so the next typed character does not
        // join this undo step.
        c.setPosition(at);
        c.insertText(QString(change.replacement), formatOfCharacter(doc, at));
        c.setPosition(at + 1);
        c.setPosition(at + 1 + change.length, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    if (editing)
        c.endEditBlock();
}

void TypographyTools::fixTypography()
{
    QTextDocument &doc = *m_rich.document();
    const QTextCursor cursor = m_rich.textCursor();
    const bool selection = cursor.hasSelection();
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    const int before = doc.characterCount();
    int position = cursor.position();
    const int count = typography::fix(cursor, &position);
    if (count > 0) {
        // The selection still covers the corrected text (an ellipsis is
        // shorter); without one the cursor stays by the text it was at.
        QTextCursor kept(&doc);
        if (selection) {
            kept.setPosition(from);
            kept.setPosition(to + doc.characterCount() - before, QTextCursor::KeepAnchor);
        } else {
            kept.setPosition(std::clamp(position, 0, doc.characterCount() - 1));
        }
        m_rich.setTextCursor(kept);
    }
    const QString message = count == 0 ? QStringLiteral("Nebylo co opravit, typografie je v pořádku.")
                                       : QStringLiteral("Opraveno míst: %1.").arg(count);
    m_dialogs.messageBox(message, MsgBox::OkOnly, QStringLiteral("Opravit typografii"));
}

} // namespace borovka
