#pragma once

#include "rtf/readerlimits.h"

#include <QColor>
#include <QTextEdit>

#include <memory>
#include <optional>

class QMenu;
class QTextCharFormat;

namespace borovka {

struct WriteFaults;

// Paragraph alignment codes and file formats as the commands use them.
namespace Align {
constexpr int Left = 0;
constexpr int Right = 1;
constexpr int Center = 2;
} // namespace Align

namespace FileFormat {
constexpr int Rtf = 0;
constexpr int Text = 1;
} // namespace FileFormat

// The editing area. Text, formatting and selection live here only.
// Selection properties apply to the selection, or with an empty selection
// to the insertion point (what is typed next). Reads over a selection that
// mixes values give std::nullopt.
class RichTextBox : public QTextEdit {
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);

    std::optional<bool> SelBold() const;
    void setSelBold(bool on);
    std::optional<bool> SelItalic() const;
    void setSelItalic(bool on);
    std::optional<bool> SelUnderline() const;
    void setSelUnderline(bool on);
    std::optional<bool> SelStrikeThru() const;
    void setSelStrikeThru(bool on);

    // Points, with fractions.
    std::optional<double> SelFontSize() const;
    void setSelFontSize(double points);
    // Adds `delta` points to every run of the selection (or the insertion
    // point), each from its own size, kept within [MinFontSize, MaxFontSize].
    void stepSelFontSize(double delta);
    static constexpr double MinFontSize = 1.0;
    // The largest size the document's files can hold.
    static constexpr double MaxFontSize = rtf::limits::maxHalfPoints / 2.0;

    std::optional<QString> SelFontName() const;
    // An empty name leaves the face as it is.
    void setSelFontName(const QString &family);

    std::optional<QColor> SelColor() const;
    void setSelColor(const QColor &color);

    // Align::Left, Right or Center for every paragraph the selection
    // touches; reads std::nullopt when they differ or use another alignment.
    std::optional<int> SelAlignment() const;
    void setSelAlignment(int alignment);

    // The whole content as RTF. Writing the empty text empties the document.
    QByteArray TextRTF() const;
    void setTextRTF(QByteArrayView rtf);

    // Writing a path loads that file, replacing content and formatting once
    // the whole file has been read. Throws ControlError and keeps the
    // content when the file cannot be loaded.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &path);

    // Writes the whole content to `path` as FileFormat::Rtf or ::Text,
    // replacing an existing file only once the new one is complete. Throws
    // ControlError and leaves any existing file as it was on failure.
    void SaveFile(const QString &path, int format = FileFormat::Rtf);

    // Makes later saves fail on purpose (tests); nullptr for real saves.
    void setWriteFaults(const WriteFaults *faults) { m_writeFaults = faults; }

    // The default character format of an empty document.
    static QFont defaultFont();

    // The context menu for a click at `pos` (viewport coordinates): the
    // standard editing entries and whatever contextMenuAboutToShow adds.
    // The caller owns the menu.
    QMenu *createContextMenu(const QPoint &pos);
    // Adds to a context menu an item of the menu's own that runs `action`.
    // Each menu is deleted after use; an action shared by all of them would
    // keep its accessible object tied to the first, and screen readers would
    // not see it in any later menu.
    static QAction *addMenuItemFor(QMenu *menu, QAction *action);
    // The text of the note whose mark is at `viewportPos`, empty elsewhere;
    // shown as the mark's tooltip.
    QString noteAt(const QPoint &viewportPos) const;
protected:
    // Paste and drop: everything goes through one normaliser, so what the
    // area shows after a paste is what a save keeps. RTF on the clipboard
    // is read with the file reader (word processors put more there than
    // in their HTML); HTML keeps what the file format can; pictures come
    // from data: addresses and readable local files only. Copy puts the
    // selection on the clipboard as RTF as well.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

Q_SIGNALS:
    // Raised synchronously after every change of content or formatting,
    // including the program's own writes of TextRTF and FileName.
    void Change();
    // Lets other parts of the program add their entries to the menu.
    void contextMenuAboutToShow(QMenu *menu, const QPoint &pos);
    // Raised after a key press or an input method has put `text` into the
    // document just before the cursor ("\r" for a new paragraph), so
    // corrections as you type can follow as undo steps of their own.
    void textTyped(const QString &text);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

protected:
    bool viewportEvent(QEvent *event) override;

private:
    std::optional<bool> readFlag(bool (*get)(const QTextCharFormat &)) const;
    template <typename T, typename Get>
    std::optional<T> readCharProperty(Get get) const;
    void mergeSelection(const QTextCharFormat &format);
    template <typename Step>
    bool changesDocument(Step step);
    void replaceDocument(QTextDocument *doc);
    QTextDocument *newDocument();
    static std::unique_ptr<QTextDocument> emptyDocument();

    QString m_fileName;
    const WriteFaults *m_writeFaults = nullptr;
    int m_changeSuppressed = 0;
};

} // namespace borovka
