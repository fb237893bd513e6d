#include "richtextbox.h"

#include "atomicwrite.h"
#include "busy.h"
#include "commondialog.h"
#include "controlerror.h"
#include "html/normalise.h"
#include "model/docprops.h"
#include "model/notes.h"
#include "model/paste.h"
#include "model/plaintext.h"
#include "formats/formats.h"
#include "rtf/rtf.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QToolTip>

#include <algorithm>
#include <vector>

namespace borovka {

namespace {

// The document's default tab stops: 720 twips, half an inch, at 96 dpi.
constexpr qreal DefaultTabStop = 48.0;

bool isBold(const QTextCharFormat &f) { return f.fontWeight() > QFont::Medium; }
bool isItalic(const QTextCharFormat &f) { return f.fontItalic(); }
bool isUnderlined(const QTextCharFormat &f)
{
    return f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline;
}
bool isStruckThrough(const QTextCharFormat &f) { return f.fontStrikeOut(); }

int alignmentCode(Qt::Alignment a)
{
    const Qt::Alignment h = a & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    if (h == Qt::AlignRight || h == Qt::AlignTrailing)
        return Align::Right;
    if (h == Qt::AlignHCenter)
        return Align::Center;
    if (h == Qt::AlignLeft || h == Qt::AlignLeading || h == 0)
        return Align::Left;
    return -1; // justified and the like have no code
}

Qt::Alignment qtAlignment(int code)
{
    switch (code) {
    case Align::Right: return Qt::AlignRight;
    case Align::Center: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// Calls `visit(format, start, end)` for every run of the selection, clipped
// to it. Returns false when the selection holds no character run (for
// example only a paragraph break).
template <typename Visit>
bool forEachSelectedRun(const QTextDocument &doc, int start, int end, Visit visit)
{
    bool any = false;
    for (QTextBlock b = doc.findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int fStart = f.position();
            const int fEnd = fStart + f.length();
            if (fEnd <= start)
                continue;
            if (fStart >= end)
                break;
            any = true;
            if (!visit(f.charFormat(), std::max(start, fStart), std::min(end, fEnd)))
                return true;
        }
    }
    return any;
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(true);
    setTabChangesFocus(false);
    setFont(defaultFont());
    replaceDocument(newDocument());
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_changeSuppressed)
            Q_EMIT Change();
    });
    // Text typed right after a note's mark or a kept piece (a comment, a
    // field's result) is text of its own, not part of the mark or piece.
    auto ownTyping = [this] {
        const QTextCursor c = textCursor();
        if (c.hasSelection())
            return;
        const QTextCharFormat f = c.charFormat();
        QTextCursor next = c;
        next.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat typing = model::typingFormat(f, next.position() > c.position() ? next.charFormat() : QTextCharFormat());
        if (typing != f)
            setCurrentCharFormat(typing);
    };
    connect(this, &QTextEdit::cursorPositionChanged, this, ownTyping);
    connect(this, &QTextEdit::currentCharFormatChanged, this, ownTyping);
}

QFont RichTextBox::defaultFont()
{
    QFont f(QStringLiteral("Courier New"));
    f.setPointSizeF(11.25);
    f.setWeight(QFont::Normal);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

QTextDocument *RichTextBox::newDocument()
{
    QTextDocument *doc = emptyDocument().release();
    doc->setParent(this);
    return doc;
}

std::unique_ptr<QTextDocument> RichTextBox::emptyDocument()
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(defaultFont());
    QTextOption option = doc->defaultTextOption();
    option.setTabStopDistance(DefaultTabStop);
    // Czech runs left to right; left automatic, Qt works out the direction of
    // every following paragraph on each keystroke, slow in a long document.
    option.setTextDirection(Qt::LeftToRight);
    doc->setDefaultTextOption(option);
    doc->setUndoRedoEnabled(false);
    return doc;
}

void RichTextBox::replaceDocument(QTextDocument *doc)
{
    QPointer<QTextDocument> old = document();
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    ++m_changeSuppressed;
    // Marks drawn over the text (misspelt words) belong to the old document.
    setExtraSelections({});
    setDocument(doc);
    // A fresh cursor: the editor's own keeps an empty typing format, which
    // would hide the format of the document's first paragraph.
    setTextCursor(QTextCursor(doc));
    setTabStopDistance(DefaultTabStop);
    --m_changeSuppressed;
    if (old && old != doc && old->parent() == this)
        delete old;
}

QMenu *RichTextBox::createContextMenu(const QPoint &pos)
{
    // The standard menu wants document coordinates.
    const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QMenu *menu = createStandardContextMenu(pos + scrolled);
    Q_EMIT contextMenuAboutToShow(menu, pos);
    return menu;
}

QAction *RichTextBox::addMenuItemFor(QMenu *menu, QAction *action)
{
    auto *item = new QAction(action->icon(), action->text(), menu);
    item->setEnabled(action->isEnabled());
    item->setCheckable(action->isCheckable());
    item->setChecked(action->isChecked());
    // Shown beside the text; it fires only while the menu itself has the keys.
    item->setShortcuts(action->shortcuts());
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(item, &QAction::triggered, action, [action](bool checked) {
        if (action->isCheckable())
            action->setChecked(checked);
        else
            action->trigger();
    });
    menu->addAction(item);
    return item;
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(createContextMenu(event->pos()));
    menu->exec(event->globalPos());
}

// True when `step` changed the document's text.
template <typename Step>
bool RichTextBox::changesDocument(Step step)
{
    bool changed = false;
    const auto watch = connect(document(), &QTextDocument::contentsChange, this,
                               [&changed](int, int removed, int added) { changed |= removed || added; });
    step();
    disconnect(watch);
    return changed;
}

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    const bool changed = changesDocument([&] { QTextEdit::keyPressEvent(event); });
    const QString text = event->text();
    // Only keys that typed something: no shortcut, no movement, no deletion.
    if (text.isEmpty() || !changed || textCursor().hasSelection())
        return;
    const QChar c = text.back();
    if (c.isPrint() || c == u'\r' || c == u'\n')
        Q_EMIT textTyped(text);
}

void RichTextBox::inputMethodEvent(QInputMethodEvent *event)
{
    const QString text = event->commitString();
    const bool changed = changesDocument([&] { QTextEdit::inputMethodEvent(event); });
    if (!text.isEmpty() && changed && !textCursor().hasSelection())
        Q_EMIT textTyped(text);
}

// ---- selection properties --------------------------------------------------

template <typename T, typename Get>
std::optional<T> RichTextBox::readCharProperty(Get get) const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return get(cursor.charFormat());
    std::optional<T> value;
    bool mixed = false;
    const bool any = forEachSelectedRun(*document(), cursor.selectionStart(), cursor.selectionEnd(),
                                        [&](const QTextCharFormat &f, int, int) {
                                            const T v = get(f);
                                            if (!value)
                                                value = v;
                                            else if (!(*value == v))
                                                mixed = true;
                                            return !mixed;
                                        });
    if (mixed)
        return std::nullopt;
    if (!any)
        return get(cursor.charFormat());
    return value;
}

std::optional<bool> RichTextBox::readFlag(bool (*get)(const QTextCharFormat &)) const
{
    return readCharProperty<bool>(get);
}

void RichTextBox::mergeSelection(const QTextCharFormat &format)
{
    // With a selection this formats it; without one it sets what is typed next.
    mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelBold() const { return readFlag(isBold); }
std::optional<bool> RichTextBox::SelItalic() const { return readFlag(isItalic); }
std::optional<bool> RichTextBox::SelUnderline() const { return readFlag(isUnderlined); }
std::optional<bool> RichTextBox::SelStrikeThru() const { return readFlag(isStruckThrough); }

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeSelection(f);
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeSelection(f);
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeSelection(f);
}

void RichTextBox::setSelStrikeThru(bool on)
{
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeSelection(f);
}

std::optional<double> RichTextBox::SelFontSize() const
{
    const double fallback = document()->defaultFont().pointSizeF();
    return readCharProperty<double>([fallback](const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : fallback;
    });
}

void RichTextBox::setSelFontSize(double points)
{
    QTextCharFormat f;
    f.setFontPointSize(std::clamp(points, MinFontSize, MaxFontSize));
    mergeSelection(f);
}

void RichTextBox::stepSelFontSize(double delta)
{
    const double fallback = document()->defaultFont().pointSizeF();
    auto sizeOf = [fallback](const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : fallback;
    };
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        setSelFontSize(sizeOf(cursor.charFormat()) + delta);
        return;
    }
    struct Run { int start, end; double size; };
    std::vector<Run> runs;
    forEachSelectedRun(*document(), cursor.selectionStart(), cursor.selectionEnd(),
                       [&](const QTextCharFormat &f, int start, int end) {
                           runs.push_back({start, end, sizeOf(f) + delta});
                           return true;
                       });
    // One edit block: one undo step and one content change for the whole step.
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (const Run &run : runs) {
        edit.setPosition(run.start);
        edit.setPosition(run.end, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setFontPointSize(std::clamp(run.size, MinFontSize, MaxFontSize));
        edit.mergeCharFormat(f);
    }
    edit.endEditBlock();
}

std::optional<QString> RichTextBox::SelFontName() const
{
    const QString fallback = document()->defaultFont().family();
    return readCharProperty<QString>([fallback](const QTextCharFormat &f) {
        const QStringList families = f.fontFamilies().toStringList();
        return families.isEmpty() ? fallback : families.first();
    });
}

void RichTextBox::setSelFontName(const QString &family)
{
    if (family.isEmpty())
        return;
    QTextCharFormat f;
    f.setFontFamilies({family});
    mergeSelection(f);
}

std::optional<QColor> RichTextBox::SelColor() const
{
    return readCharProperty<QColor>([](const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color()
                                                           : QColor(Qt::black);
    });
}

void RichTextBox::setSelColor(const QColor &color)
{
    QTextCharFormat f;
    f.setForeground(color);
    mergeSelection(f);
}

std::optional<int> RichTextBox::SelAlignment() const
{
    const QTextCursor cursor = textCursor();
    const QTextBlock first = document()->findBlock(cursor.selectionStart());
    const QTextBlock last = document()->findBlock(cursor.selectionEnd());
    std::optional<int> code;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const int c = alignmentCode(b.blockFormat().alignment());
        if (c < 0 || (code && *code != c))
            return std::nullopt;
        code = c;
        if (b == last)
            break;
    }
    return code;
}

void RichTextBox::setSelAlignment(int alignment)
{
    // The cursor's block format covers every paragraph the selection touches.
    QTextBlockFormat f;
    f.setAlignment(qtAlignment(alignment));
    QTextCursor cursor = textCursor();
    cursor.mergeBlockFormat(f);
}

// ---- whole document ----------------------------------------------------------

QByteArray RichTextBox::TextRTF() const
{
    return rtf::write(*document());
}

void RichTextBox::setTextRTF(QByteArrayView data)
{
    QTextDocument *doc = newDocument();
    try {
        if (!data.isEmpty())
            rtf::read(data, *doc);
    } catch (const rtf::Error &e) {
        delete doc;
        throw ControlError(e.description());
    }
    replaceDocument(doc);
    Q_EMIT Change();
}

namespace {

// Files and documents from this size on are read or written on a worker
// thread, so the window repaints and can show that it is busy.
constexpr qint64 BackgroundSize = 512 * 1024;

// Reads and parses a whole file into a new document. Runs on any thread.
std::unique_ptr<QTextDocument> readDocument(const QString &path, std::unique_ptr<QTextDocument> doc)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ControlError(RichTextBox::tr("Soubor %1 nelze otevřít: %2").arg(shown, file.errorString()));
    try {
        // Plain text costs the document about as much per byte as RTF does.
        rtf::checkInputSize(file.size());
    } catch (const rtf::Error &e) {
        throw ControlError(e.description());
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ControlError(RichTextBox::tr("Soubor %1 nelze přečíst: %2").arg(shown, file.errorString()));
    try {
        // RTF, a Word or OpenDocument document, or plain text in UTF-8 or
        // Windows-1250, by its content.
        formats::read(data, *doc);
    } catch (const rtf::Error &e) {
        throw ControlError(e.description());
    }
    return doc;
}

} // namespace

void RichTextBox::setFileName(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty() || isFilePattern(path))
        throw ControlError(tr("Neplatný název souboru: %1").arg(shown));
    const QFileInfo info(path);
    if (info.isDir())
        throw ControlError(tr("%1 je složka, ne soubor").arg(shown));

    // The new content is built aside, so a failure leaves the current one untouched.
    std::unique_ptr<QTextDocument> doc;
    if (info.size() < BackgroundSize) {
        doc = readDocument(path, emptyDocument());
    } else {
        QThread *home = thread();
        runBusy(window(), tr("Načítám %1…").arg(info.fileName()), [&] {
            // Built on the worker, then handed to the window's thread.
            doc = readDocument(path, emptyDocument());
            doc->moveToThread(home);
        });
    }
    doc->setParent(this);
    replaceDocument(doc.release());
    m_fileName = path;
    Q_EMIT Change();
}

// ---- paste and drop ----------------------------------------------------------

namespace {

// The clipboard's names for RTF, the richest first.
const char *const RtfMimeTypes[] = {"text/rtf", "text/richtext", "application/rtf"};

bool isPictureFile(const QUrl &url)
{
    const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
    return url.isLocalFile()
        && (suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")
            || suffix == QLatin1String("gif") || suffix == QLatin1String("bmp"));
}

} // namespace

bool RichTextBox::canInsertFromMimeData(const QMimeData *source) const
{
    if (!source)
        return false;
    for (const char *type : RtfMimeTypes) {
        if (source->hasFormat(QLatin1String(type)))
            return true;
    }
    return source->hasHtml() || source->hasImage() || source->hasUrls() || QTextEdit::canInsertFromMimeData(source);
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    if (!source || isReadOnly())
        return;
    QTextDocument content;
    content.setDefaultFont(document()->defaultFont());
    content.setUndoRedoEnabled(false);
    bool read = false;
    for (const char *type : RtfMimeTypes) {
        if (read || !source->hasFormat(QLatin1String(type)))
            continue;
        try {
            rtf::read(source->data(QLatin1String(type)), content);
            read = true;
        } catch (const rtf::Error &) {
            // Too large for a document: what else the clipboard offers.
        }
    }
    if (!read && source->hasHtml()) {
        html::readHtml(source->html(), QString(), content);
        read = true;
    }
    if (!read && source->hasImage()) {
        // A picture alone goes the way of an inline picture in HTML.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(source->imageData()).save(&buffer, "PNG")) {
            html::readHtml(QStringLiteral("<img src=\"data:image/png;base64,%1\">").arg(QLatin1String(png.toBase64())),
                          QString(), content);
            read = true;
        }
    }
    if (!read && source->hasUrls()) {
        // Dropped picture files show as pictures, other files as their names.
        QString html;
        bool pictures = false;
        for (const QUrl &url : source->urls()) {
            if (isPictureFile(url)) {
                html += QStringLiteral("<img src=\"%1\">").arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped());
                pictures = true;
            } else {
                html += url.toDisplayString().toHtmlEscaped() + QLatin1Char(' ');
            }
        }
        if (pictures) {
            html::readHtml(html, QString(), content);
            read = true;
        }
    }
    if (!read) {
        QTextEdit::insertFromMimeData(source); // plain text
        return;
    }
    QTextCursor cursor = textCursor();
    model::insertDocument(cursor, content);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData *RichTextBox::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return QTextEdit::createMimeDataFromSelection();
    // Qt's own mime data lists only its formats: its text and HTML are
    // copied into one that can hold RTF as well.
    const std::unique_ptr<QMimeData> qt(QTextEdit::createMimeDataFromSelection());
    auto *data = new QMimeData;
    QTextDocument copy;
    copy.setDefaultFont(document()->defaultFont());
    QTextCursor cursor(&copy);
    model::insertSelection(cursor, selection);
    // Qt's plain text turns no-break spaces into spaces; the copy keeps
    // them for whatever program the text is pasted into.
    data->setText(model::textKeepingNbsp(copy));
    if (qt)
        data->setHtml(qt->html());
    data->setData(QStringLiteral("text/rtf"), rtf::write(copy));
    return data;
}

void RichTextBox::SaveFile(const QString &path, int format)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty() || isFilePattern(path))
        throw ControlError(tr("Neplatný název souboru: %1").arg(shown));

    // The file's name says which rich-text format: .docx, .odt, otherwise RTF.
    const QByteArray bytes = format == FileFormat::Text
        ? model::plainText(*document())
        : formats::write(*document(), formats::formatForName(path));
    if (bytes.size() < BackgroundSize)
        writeFileAtomically(path, bytes, m_writeFaults);
    else
        runBusy(window(), tr("Ukládám %1…").arg(QFileInfo(path).fileName()),
                [&] { writeFileAtomically(path, bytes, m_writeFaults); });
}

QString RichTextBox::noteAt(const QPoint &viewportPos) const
{
    // The position nearest the point lies between two characters; the
    // mark may be either.
    const QTextCursor at = cursorForPosition(viewportPos);
    QTextCursor c(document());
    for (const int pos : {at.position() + 1, at.position()}) {
        if (pos < 1 || pos >= document()->characterCount())
            continue;
        c.setPosition(pos);
        const QTextCharFormat f = c.charFormat();
        if (!model::isNoteMark(f))
            continue;
        // Only when the mouse is on the mark itself.
        QTextCursor left = c;
        left.setPosition(pos - 1);
        const QRect r = cursorRect(left).united(cursorRect(c));
        if (r.contains(viewportPos))
            return model::noteToolTip(f);
    }
    return {};
}

bool RichTextBox::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString note = noteAt(help->pos());
        if (!note.isEmpty()) {
            QToolTip::showText(help->globalPos(), note, viewport());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

} // namespace borovka
