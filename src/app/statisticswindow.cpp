#include "statisticswindow.h"

#include "shortcuts.h"
#include "statistics.h"
#include "platform/richtextbox.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

namespace borovka {

namespace {

QString number(qint64 n)
{
    // Czech groups thousands with a space: "12 345".
    static const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    return czech.toString(n);
}

} // namespace

StatisticsWindow::StatisticsWindow(RichTextBox &rich, QWidget *parent)
    : QDialog(parent), m_rich(rich)
{
    setModal(false);
    setWindowTitle(QStringLiteral("Statistika"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Dokument"), this), 0, 1, Qt::AlignRight);
    selectionHeading = new QLabel(QStringLiteral("Výběr"), this);
    grid->addWidget(selectionHeading, 0, 2, Qt::AlignRight);
    const QString names[Rows] = {QStringLiteral("Slova:"), QStringLiteral("Znaky včetně mezer:"),
                                 QStringLiteral("Znaky bez mezer:"), QStringLiteral("Odstavce:"),
                                 QStringLiteral("Normostrany:")};
    for (int r = 0; r < Rows; ++r) {
        grid->addWidget(new QLabel(names[r], this), r + 1, 0);
        for (int c = 0; c < 2; ++c) {
            m_figures[r][c] = new QLabel(this);
            m_figures[r][c]->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(m_figures[r][c], r + 1, c + 1, Qt::AlignRight);
        }
    }
    auto *close = new QPushButton(QStringLiteral("Zavřít"), this);
    grid->addWidget(close, Rows + 1, 2);
    grid->setColumnMinimumWidth(1, 80);
    grid->setColumnMinimumWidth(2, 80);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    // Typing changes the text at every key: the counts follow after a
    // short pause, once, which keeps typing in a long document fluent.
    pause = new QTimer(this);
    pause->setSingleShot(true);
    pause->setInterval(300);
    connect(pause, &QTimer::timeout, this, &StatisticsWindow::refresh);
    connect(&m_rich, &QTextEdit::textChanged, this, &StatisticsWindow::changed);
    connect(&m_rich, &QTextEdit::selectionChanged, this, &StatisticsWindow::changed);
}

void StatisticsWindow::changed()
{
    if (isVisible())
        pause->start();
}

void StatisticsWindow::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}

void StatisticsWindow::refresh()
{
    pause->stop();
    const QTextDocument &doc = *m_rich.document();
    const QTextCursor cursor = m_rich.textCursor();
    TextStatistics counts[2] = {documentStatistics(doc), {}};
    const bool selected = cursor.hasSelection();
    if (selected)
        counts[1] = rangeStatistics(doc, cursor.selectionStart(), cursor.selectionEnd());
    for (int c = 0; c < 2; ++c) {
        const TextStatistics &s = counts[c];
        const QString texts[Rows] = {number(s.words), number(s.characters), number(s.charactersWithoutSpaces),
                                     number(s.paragraphs), standardPages(s.characters)};
        for (int r = 0; r < Rows; ++r) {
            m_figures[r][c]->setText(texts[r]);
            if (c == 1)
                m_figures[r][c]->setVisible(selected);
        }
    }
    selectionHeading->setVisible(selected);
}

Statistics::Statistics(RichTextBox &rich, Shortcuts &shortcuts, QWidget &parent)
    : QObject(&parent)
{
    window = new StatisticsWindow(rich, &parent);
    show = shortcuts.add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)});
    show->setText(QStringLiteral("Statistika"));
    connect(show, &QAction::triggered, window, [this] {
        window->show();
        window->raise();
        window->activateWindow();
        window->refresh();
    });
    connect(&rich, &RichTextBox::contextMenuAboutToShow, this, [this](QMenu *menu, const QPoint &) {
        menu->addSeparator();
        RichTextBox::addMenuItemFor(menu, show);
    });
}

} // namespace borovka
